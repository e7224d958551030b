"""The emulated i386 machine: memory, the import thunks, guest calls from handlers, and the
cooperative threads.

Every import resolves to an address in an unmapped region. A call to it faults on the fetch, and
the driver hands the call to the import's handler. A handler is a plain function or a generator;
a generator yields GuestCall to run a routine of the image (a window procedure, a thread) and
gets its result back, or Block to wait until a condition holds, which lets another thread run.
Threads switch only at those points, so every run is deterministic."""

import struct

from unicorn import (Uc, UcError, UC_ARCH_X86, UC_MODE_32, UC_PROT_ALL, UC_ERR_FETCH_UNMAPPED,
                     UC_HOOK_MEM_INVALID)
from unicorn.x86_const import (UC_X86_REG_EAX, UC_X86_REG_ESP, UC_X86_REG_EIP, UC_X86_REG_FS_BASE,
                               UC_X86_REG_EBP)

THUNK_BASE = 0x7F000000
TRAP_RETURN = 0x7F7F0000      # a handler's guest call returns here
TRAP_THREAD_END = 0x7F7F0010  # a thread routine returns here
HEAP_BASE = 0x10000000
HEAP_SIZE = 0x20000000
STACK_AREA = 0x60000000
STACK_SIZE = 0x100000
TEB_AREA = 0x7FF00000
NATIVE_BASE = 0x7E800000


class EmulationError(Exception):
    """The run cannot go on: an unhandled import, a fault, a deadlock, a misuse of the API."""


class ProcessExit(Exception):
    def __init__(self, code):
        super().__init__(code)
        self.code = code


class GuestCall:
    """Yielded by a handler: call the image's routine at address with 32-bit arguments (stdcall)."""

    def __init__(self, address, *args):
        self.address = address
        self.args = args


class Block:
    """Yielded by a handler: wait until ready() returns (True, value); value is sent back."""

    def __init__(self, ready, what):
        self.ready = ready
        self.what = what


class Api:
    def __init__(self, dll, name, argc, handler, cdecl):
        self.dll, self.name, self.argc, self.handler, self.cdecl = dll, name, argc, handler, cdecl


class Frame:
    """A handler waiting for a guest call (or a block) inside one thread."""

    def __init__(self, api, generator, return_address, saved_esp):
        self.api = api
        self.generator = generator
        self.return_address = return_address
        self.saved_esp = saved_esp  # the stack before the guest call was pushed
        self.blocked = None


class Thread:
    def __init__(self, number, handle):
        self.number = number
        self.handle = handle
        self.context = None
        self.frames = []
        self.state = "ready"  # ready, blocked, done
        self.exit_code = None
        self.message_queue = []  # posted messages: (window, message, wParam, lParam)


class Machine:
    def __init__(self):
        self.uc = Uc(UC_ARCH_X86, UC_MODE_32)
        self.uc.hook_add(UC_HOOK_MEM_INVALID, self._invalid_access)
        self.apis = {}            # address -> Api
        self.api_by_name = {}     # (dll lower, name) -> address
        self.next_thunk = THUNK_BASE
        self.heap_top = HEAP_BASE
        self.heap_blocks = {}     # address -> size (live)
        self.uc.mem_map(HEAP_BASE, HEAP_SIZE, UC_PROT_ALL)
        self.threads = []
        self.current = None
        self.next_stack = STACK_AREA
        self.next_teb = TEB_AREA
        self.last_fault = None
        self.calls = 0
        self.uc.mem_map(TEB_AREA, 0x40000, UC_PROT_ALL)
        self.peb = TEB_AREA + 0x3F000

    # ---- memory ----------------------------------------------------------------------------
    def _invalid_access(self, uc, access, address, size, value, data):
        self.last_fault = (access, address, size)
        return False

    def read(self, address, size):
        return bytes(self.uc.mem_read(address, size))

    def write(self, address, data):
        self.uc.mem_write(address, bytes(data))

    def u32(self, address):
        return struct.unpack("<I", self.read(address, 4))[0]

    def u16(self, address):
        return struct.unpack("<H", self.read(address, 2))[0]

    def put32(self, address, value):
        self.write(address, struct.pack("<I", value & 0xFFFFFFFF))

    def put16(self, address, value):
        self.write(address, struct.pack("<H", value & 0xFFFF))

    def cstring(self, address, limit=0x10000):
        """A NUL-terminated byte string (None for a null pointer)."""
        if not address:
            return None
        out = bytearray()
        while len(out) < limit:
            chunk = self.read(address + len(out), 64)
            end = chunk.find(b"\0")
            if end >= 0:
                out += chunk[:end]
                return bytes(out)
            out += chunk
        raise EmulationError("unterminated string at 0x%08x" % address)

    def wstring(self, address, limit=0x8000):
        out = bytearray()
        while len(out) < limit * 2:
            pair = self.read(address + len(out), 2)
            if pair == b"\0\0":
                return out.decode("utf-16-le", "surrogatepass")
            out += pair
        raise EmulationError("unterminated wide string at 0x%08x" % address)

    def alloc(self, size, zero=True):
        """A heap block, 16-byte aligned; never reused within a run, so stale pointers fault
        on their contents rather than on someone else's."""
        size = max(size, 1)
        address = self.heap_top
        self.heap_top += (size + 31) & ~15
        if self.heap_top > HEAP_BASE + HEAP_SIZE:
            return 0
        if zero:
            self.write(address, bytes(size))
        self.heap_blocks[address] = size
        return address

    def free(self, address, what="free"):
        if not address:
            return
        if address not in self.heap_blocks:
            raise EmulationError("%s of 0x%08x, which is no live heap block" % (what, address))
        del self.heap_blocks[address]

    def static_string(self, data):
        address = self.alloc(len(data) + 1)
        self.write(address, data + b"\0")
        return address

    # ---- imports ---------------------------------------------------------------------------
    def register(self, dll, name, argc, handler, cdecl=False):
        address = self.api_by_name.get((dll.lower(), name))
        if address is None:
            address = self.next_thunk
            self.next_thunk += 4
        self.apis[address] = Api(dll, name, argc, handler, cdecl)
        self.api_by_name[(dll.lower(), name)] = address
        return address

    def register_native(self, dll, name, code):
        """An import implemented in x86 code of ours: called without leaving the emulation, for
        the small functions a decoder calls per block."""
        if not hasattr(self, "native_top"):
            self.native_top = NATIVE_BASE
            self.uc.mem_map(NATIVE_BASE, 0x10000, UC_PROT_ALL)
        address = self.native_top
        self.write(address, code)
        self.native_top += (len(code) + 15) & ~15
        self.api_by_name[(dll.lower(), name)] = address
        return address

    def thunk_for(self, dll, name):
        """The address an import resolves to; an unhandled one gets a thunk that stops the run
        with its name when it is called."""
        key = (dll.lower(), name)
        if key not in self.api_by_name:
            def unhandled(machine, args, dll=dll, name=name):
                raise EmulationError("unhandled import %s!%s" % (dll, name))
            return self.register(dll, name, 0, unhandled)
        return self.api_by_name[key]

    # ---- threads ---------------------------------------------------------------------------
    def new_thread(self, handle, start, parameter):
        thread = Thread(len(self.threads), handle)
        stack = self.next_stack
        self.next_stack += STACK_SIZE + 0x10000
        self.uc.mem_map(stack, STACK_SIZE, UC_PROT_ALL)
        teb = self.next_teb
        self.next_teb += 0x1000
        top = stack + STACK_SIZE - 16
        self.put32(teb + 0x00, 0xFFFFFFFF)       # no exception handler
        self.put32(teb + 0x04, stack + STACK_SIZE)
        self.put32(teb + 0x08, stack)
        self.put32(teb + 0x18, teb)
        self.put32(teb + 0x24, thread.number + 1)  # thread id
        self.put32(teb + 0x30, self.peb)
        # The routine's frame: its parameter and a return into the thread's end.
        self.put32(top - 4, parameter)
        self.put32(top - 8, TRAP_THREAD_END)
        saved = self.uc.context_save()
        self.uc.reg_write(UC_X86_REG_ESP, top - 8)
        self.uc.reg_write(UC_X86_REG_EBP, 0)
        self.uc.reg_write(UC_X86_REG_EIP, start)
        self.uc.reg_write(UC_X86_REG_FS_BASE, teb)
        thread.context = self.uc.context_save()
        self.uc.context_restore(saved)
        thread.teb = teb
        self.threads.append(thread)
        return thread

    def run(self, entry):
        """Runs the image from its entry point until ExitProcess; returns the exit code."""
        main = self.new_thread(0, entry, self.peb)
        self.current = main
        self.uc.context_restore(main.context)
        try:
            while True:
                self._run_current()
        except ProcessExit as end:
            return end.code

    def _run_current(self):
        eip = self.uc.reg_read(UC_X86_REG_EIP)
        try:
            self.uc.emu_start(eip, 0xFFFFFFFF)
            raise EmulationError("emulation stopped without a reason at 0x%08x" % eip)
        except UcError as error:
            eip = self.uc.reg_read(UC_X86_REG_EIP)
            if error.errno != UC_ERR_FETCH_UNMAPPED:
                raise EmulationError("%s at eip 0x%08x (access %s)" % (error, eip, self._fault_text()))
        if eip in self.apis:
            self._enter_api(self.apis[eip])
        elif eip == TRAP_RETURN:
            thread = self.current
            result = self.uc.reg_read(UC_X86_REG_EAX)
            frame = thread.frames.pop()
            self.uc.reg_write(UC_X86_REG_ESP, frame.saved_esp)
            self._advance(frame, result)
        elif eip == TRAP_THREAD_END:
            thread = self.current
            thread.state = "done"
            thread.exit_code = self.uc.reg_read(UC_X86_REG_EAX)
            self._switch()
        else:
            raise EmulationError("jump to unmapped 0x%08x (%s)" % (eip, self._fault_text()))

    def _fault_text(self):
        if not self.last_fault:
            return "no fault recorded"
        access, address, size = self.last_fault
        return "type %d at 0x%08x size %d" % (access, address, size)

    def _enter_api(self, api):
        esp = self.uc.reg_read(UC_X86_REG_ESP)
        return_address = self.u32(esp)
        args = list(struct.unpack("<%dI" % api.argc, self.read(esp + 4, 4 * api.argc)))
        self.calls += 1
        result = api.handler(self, args)
        if hasattr(result, "send"):
            frame = Frame(api, result, return_address, None)
            self._advance(frame, None)
        else:
            self._finish(api, return_address, result)

    def _finish(self, api, return_address, result):
        esp = self.uc.reg_read(UC_X86_REG_ESP)
        esp += 4 if api.cdecl else 4 + 4 * api.argc
        self.uc.reg_write(UC_X86_REG_ESP, esp)
        self.uc.reg_write(UC_X86_REG_EAX, (result or 0) & 0xFFFFFFFF)
        self.uc.reg_write(UC_X86_REG_EIP, return_address)

    def _advance(self, frame, value):
        """Steps a handler's generator with value until it returns, calls the guest or blocks."""
        try:
            request = frame.generator.send(value)
        except StopIteration as done:
            self._finish(frame.api, frame.return_address, done.value)
            return
        if isinstance(request, GuestCall):
            esp = self.uc.reg_read(UC_X86_REG_ESP)
            frame.saved_esp = esp
            words = list(request.args)
            esp -= 4 * len(words)
            for i, word in enumerate(words):
                self.put32(esp + 4 * i, word)
            esp -= 4
            self.put32(esp, TRAP_RETURN)
            self.uc.reg_write(UC_X86_REG_ESP, esp)
            self.uc.reg_write(UC_X86_REG_EIP, request.address)
            self.current.frames.append(frame)
        elif isinstance(request, Block):
            frame.blocked = request
            self.current.state = "blocked"
            self.current.frames.append(frame)
            self._switch()
        else:
            raise EmulationError("handler %s yielded %r" % (frame.api.name, request))

    def _switch(self):
        """Saves the current thread and resumes the first other thread that can go on (round
        robin from the current one)."""
        if self.current.state != "done":
            self.current.context = self.uc.context_save()
        count = len(self.threads)
        start = self.current.number
        for step in range(1, count + 1):
            thread = self.threads[(start + step) % count]
            if thread.state == "done":
                continue
            if thread.state == "ready":
                self.current = thread
                self.uc.context_restore(thread.context)
                return
            frame = thread.frames[-1]
            ready, value = frame.blocked.ready()
            if ready:
                thread.frames.pop()
                frame.blocked = None
                thread.state = "ready"
                self.current = thread
                self.uc.context_restore(thread.context)
                self._advance(frame, value)
                return
        waits = ["thread %d: %s" % (t.number, t.frames[-1].blocked.what)
                 for t in self.threads if t.state == "blocked"]
        raise EmulationError("deadlock: " + "; ".join(waits))
