#include <cstdio>
int main() { std::puts("tamrix"); return 0; }
