"""Checks of the model's own pieces where a slip would make both sides agree on a wrong result or
hide a fault of the stub: guest calls and threads, formatting, date conversion, argument splitting."""

import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

try:
    from win32emu import api_kernel32, api_msvcrt
    from win32emu.machine import Block, EmulationError, GuestCall, Machine
    from win32emu.system import Config, System
    from differential import split_arguments
except ImportError as error:  # the emulator's packages are missing: ctest counts a skip
    print("skipped: %s" % error)
    sys.exit(77)

CODE = 0x00400000


def machine_with(code):
    machine = Machine()
    machine.uc.mem_map(CODE, 0x10000)
    machine.write(CODE, code)
    return machine


def call_import(slot):
    """call dword [slot]; then a return to the thread's end."""
    return b"\xff\x15" + struct.pack("<I", slot) + b"\xc3"


class System_(System):
    def __init__(self, machine):
        config = Config()
        config.current_folder = b"Z:\\"
        super().__init__(machine, None, config, None, b"Z:\\pkg\\setup.exe", b"")


class MachineTest(unittest.TestCase):
    def test_unhandled_import_stops_with_its_name(self):
        machine = machine_with(call_import(CODE + 0x100))
        machine.put32(CODE + 0x100, machine.thunk_for("GDI32.dll", "TextOutA"))
        with self.assertRaisesRegex(EmulationError, r"GDI32\.dll!TextOutA"):
            machine.run(CODE)

    def test_stdcall_handler_pops_its_arguments_and_returns_eax(self):
        # push 7; push 5; call [slot]; push eax; call [exit]
        code = b"\x6a\x07\x6a\x05\xff\x15" + struct.pack("<I", CODE + 0x100) + b"\x50\xff\x15" + \
            struct.pack("<I", CODE + 0x104)
        machine = machine_with(code)
        machine.put32(CODE + 0x100, machine.register("T.dll", "Add", 2, lambda m, a: a[0] * a[1]))

        def exit_process(m, args):
            raise api_kernel32.ProcessExit(args[0])
        machine.put32(CODE + 0x104, machine.register("T.dll", "Exit", 1, exit_process))
        self.assertEqual(35, machine.run(CODE))

    def test_handler_calls_back_into_the_guest_and_threads_take_turns(self):
        # Guest routine at CODE+0x40: mov eax,[esp+4]; add eax,eax; ret 4.
        machine = machine_with(call_import(CODE + 0x100))
        machine.write(CODE + 0x40, b"\x8b\x44\x24\x04\x01\xc0\xc2\x04\x00")
        seen = []

        def worker_body(m, args):
            seen.append("worker %d" % args[0])
            return 0

        worker_slot = CODE + 0x104
        machine.put32(worker_slot, machine.register("T.dll", "Note", 1, worker_body))
        machine.write(CODE + 0x60, b"\xff\x74\x24\x04\xff\x15" + struct.pack("<I", worker_slot) +
                      b"\xc2\x04\x00")

        def main_body(m, args):
            doubled = yield GuestCall(CODE + 0x40, 21)
            seen.append("doubled %d" % doubled)
            thread = m.new_thread(99, CODE + 0x60, 3)
            yield Block(lambda: (thread.state == "done", None), "worker")
            seen.append("joined")
            raise api_kernel32.ProcessExit(0)
        machine.put32(CODE + 0x100, machine.register("T.dll", "Main", 0, main_body))
        self.assertEqual(0, machine.run(CODE))
        self.assertEqual(["doubled 42", "worker 3", "joined"], seen)

    def test_a_wait_nobody_can_end_is_a_deadlock(self):
        machine = machine_with(call_import(CODE + 0x100))

        def wait_forever(m, args):
            yield Block(lambda: (False, None), "nothing")
        machine.put32(CODE + 0x100, machine.register("T.dll", "Wait", 0, wait_forever))
        with self.assertRaisesRegex(EmulationError, "deadlock"):
            machine.run(CODE)

    def test_native_memmove_handles_both_overlaps(self):
        machine = Machine()
        from win32emu.registry_of_apis import NATIVE
        code = [c for d, n, c in NATIVE if n == "memmove"][0]
        memmove = machine.register_native("msvcrt.dll", "memmove", code)
        buffer = machine.alloc(16)
        # push count; push source; push target; call memmove; add esp,12; call [exit]
        exit_slot = machine.alloc(4)

        def exit_process(m, args):
            raise api_kernel32.ProcessExit(0)
        machine.put32(exit_slot, machine.register("T.dll", "Exit", 0, exit_process))
        for target, source, expected in ((2, 0, b"0101234589"), (0, 2, b"2345676789")):
            machine.write(buffer, b"0123456789")
            program = machine.alloc(64)  # fresh code: translated blocks are cached by address
            code_bytes = (b"\x6a\x06\x68" + struct.pack("<I", buffer + source) + b"\x68" +
                          struct.pack("<I", buffer + target) + b"\xe8" +
                          struct.pack("<i", memmove - (program + 17)) + b"\x83\xc4\x0c\xff\x15" +
                          struct.pack("<I", exit_slot))
            machine.write(program, code_bytes)
            machine.threads = []
            machine.run(program)
            self.assertEqual(expected, machine.read(buffer, 10))

    def test_double_free_stops_the_run(self):
        machine = Machine()
        block = machine.alloc(16)
        machine.free(block)
        with self.assertRaisesRegex(EmulationError, "no live heap block"):
            machine.free(block)


class RuntimeTest(unittest.TestCase):
    def setUp(self):
        self.machine = Machine()
        self.system = System_(self.machine)

    def format(self, template, *words):
        arguments = self.machine.alloc(4 * len(words) + 4)
        for i, word in enumerate(words):
            self.machine.put32(arguments + 4 * i, word)
        return api_msvcrt.format_text(self.system, template, arguments)

    def test_printf_conversions(self):
        text = self.machine.static_string(b"abc")
        self.assertEqual(b"[abc|  abc|abc  |ab]", self.format(b"[%s|%5s|%-5s|%.2s]", text, text,
                                                              text, text))
        self.assertEqual(b"-5 4294967291 fffffffb 007 %", self.format(b"%d %u %x %03d %%",
                                                                     0xFFFFFFFB, 0xFFFFFFFB,
                                                                     0xFFFFFFFB, 7))
        self.assertEqual(b"01, 02, 2025,   9:05:00 -07",
                         self.format(b"%02d, %02d, %04d, %3d:%02d:%02d %03d", 1, 2, 2025, 9, 5, 0,
                                     0xFFFFFFF9))

    def test_vsnprintf_truncation_leaves_no_terminator(self):
        buffer = self.machine.alloc(8)
        self.machine.write(buffer, b"\xAA" * 8)
        arguments = self.machine.alloc(4)
        template = self.machine.static_string(b"123456789")
        self.assertEqual(0xFFFFFFFF, api_msvcrt.crt_vsnprintf(self.system, buffer, 4, template,
                                                               arguments))
        self.assertEqual(b"1234\xAA", self.machine.read(buffer, 5))

    def dos_to_file_time(self, date, time):
        target = self.machine.alloc(8)
        ok = api_kernel32.dos_date_time_to_file_time(self.system, date, time, target)
        return ok, struct.unpack("<Q", self.machine.read(target, 8))[0]

    def test_dos_stamps_round_trip_and_invalid_ones_are_refused(self):
        date = (2025 - 1980) << 9 | 1 << 5 | 1
        time = 12 << 11 | 34 << 5 | 28
        ok, filetime = self.dos_to_file_time(date, time)
        self.assertEqual(1, ok)
        self.assertEqual(1735734896, filetime // 10_000_000 - 11644473600)  # 2025-01-01 12:34:56
        source = self.machine.alloc(8)
        self.machine.write(source, struct.pack("<Q", filetime))
        out_date, out_time = self.machine.alloc(2), self.machine.alloc(2)
        api_kernel32.file_time_to_dos_date_time(self.system, source, out_date, out_time)
        self.assertEqual((date, time), (self.machine.u16(out_date), self.machine.u16(out_time)))
        for bad_date, bad_time in ((0, 0), (1 << 5 | 0, 0), (2 << 5 | 30, 0),
                                   ((2023 - 1980) << 9 | 2 << 5 | 29, 0), (1 << 5 | 1, 24 << 11)):
            self.assertEqual(0, self.dos_to_file_time(bad_date, bad_time)[0], (bad_date, bad_time))
        self.assertEqual(1, self.dos_to_file_time((2024 - 1980) << 9 | 2 << 5 | 29, 0)[0])


class ArgumentsTest(unittest.TestCase):
    def test_command_line_splitting_rules(self):
        self.assertEqual(["/quiet", "now"], split_arguments("/quiet now"))
        self.assertEqual(["a b", 'c"d'], split_arguments('"a b" c\\"d'))
        self.assertEqual(["a\\\\b", "x\\"], split_arguments("a\\\\b x\\"))
        self.assertEqual(['a\\"b'], split_arguments('"a\\\\\\"b"'))
        self.assertEqual([], split_arguments("   "))


if __name__ == "__main__":
    unittest.main()
