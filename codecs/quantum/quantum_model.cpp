#include "codecs/quantum/quantum_model.h"

namespace tamrix::quantum {

TAMRIX_KEEPS_REGISTERS void rescaleModel(QuantumModel& m) {
    uint16_t* cum = m.cumFreq;
    const int n = m.count;
    if (--m.reorderCountdown != 0) {
        for (int i = n - 1; i >= 0; --i) {
            cum[i] = uint16_t(cum[i] >> 1);
            if (cum[i] <= cum[i + 1]) cum[i] = uint16_t(cum[i + 1] + 1);
        }
        return;
    }
    m.reorderCountdown = 50;
    for (int i = 0; i < n; ++i) cum[i] = uint16_t((cum[i] - cum[i + 1] + 1) >> 1);
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (cum[j] > cum[i]) {
                const uint16_t f = cum[i];
                cum[i] = cum[j];
                cum[j] = f;
                const uint8_t s = m.symbol[i];
                m.symbol[i] = m.symbol[j];
                m.symbol[j] = s;
            }
        }
    }
    for (int i = n - 1; i >= 0; --i) cum[i] = uint16_t(cum[i] + cum[i + 1]);
}

}  // namespace tamrix::quantum
