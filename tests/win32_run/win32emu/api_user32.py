"""user32: dialogs and their procedures, messages and the message loop, message boxes, strings.

The user is the answer script: a modal dialog's procedure gets WM_INITDIALOG, then the WM_COMMAND
of each answered action until it calls EndDialog, then WM_DESTROY. A modeless dialog is told what
it shows in the transcript, and after each message it handles the script may press its Cancel."""

import struct

from .machine import Block, EmulationError, GuestCall
from .registry_of_apis import api
from .script import quote, split_answer
from .system import Window

U32 = "USER32.dll"
WM_DESTROY = 0x0002
WM_SETTEXT = 0x000C
WM_CLOSE = 0x0010
WM_QUIT = 0x0012
WM_INITDIALOG = 0x0110
WM_COMMAND = 0x0111
PBM_SETRANGE = 0x0401
PBM_SETPOS = 0x0402
PBM_SETRANGE32 = 0x0406
STM_SETICON = 0x0170
STM_GETICON = 0x0171
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

DESTINATION_DIALOG = 202
REPLACE_DIALOG = 2007
PROGRESS_WINDOW = 2008


class SentMessage:
    def __init__(self, window, message, w, l):
        self.window, self.message, self.w, self.l = window, message, w, l
        self.result = 0
        self.done = False


def _new_window(s, template_id, procedure, modeless):
    template = s.image.dialog(template_id, s.language) if template_id else None
    if template_id and template is None:
        return None
    handle = 0x10010 + 0x10 * len(s.windows)
    window = Window(handle, template_id, procedure, s.m.current, template, modeless,
                    lambda text: s.ansi_bytes(text))
    s.windows[handle] = window
    return window


def _template_id(s, name):
    if name >= 0x10000:
        raise EmulationError("dialog templates by name are not modelled")
    return name


def _line_caption(window):
    return quote(window.caption)


def user_click(s, window):
    """The script's "stop N": the progress window's Cancel once N file names were shown."""
    if window.template_id != PROGRESS_WINDOW or not s.script.answers:
        return 0
    word, rest = split_answer(s.script.peek())
    if word != "stop":
        return 0
    after = int(rest) if rest.strip().lstrip("-").isdigit() else (1 if not rest else 0)
    if s.files_shown < after:
        return 0
    s.script.take()
    s.script.line("click 2008 Cancel")
    return IDCANCEL


CLICK = -1  # a click of the user, handled in the window's thread like a sent message


def user_gives_up(s, patience_ms):
    """A user without further answers who sees the progress window show the same file name for
    a while presses its Cancel (the bar may creep: each retry counts the bytes it reads)."""
    if s.script.answers or s.clock_ms - s.last_shown_ms < patience_ms:
        return
    for window in s.windows.values():
        if window.alive and window.template_id == PROGRESS_WINDOW:
            s.last_shown_ms = s.clock_ms
            s.sent.append(SentMessage(window, CLICK, IDCANCEL, 0))


def deliver(s, window, message, w, l):
    """Handles a message in the window's own thread (a generator)."""
    if not window.alive:
        return 0
    if message == CLICK:
        s.script.line("click %d Cancel" % window.template_id)
        return (yield GuestCall(window.procedure, window.handle, WM_COMMAND, w, 0))
    result = 0
    if message == WM_SETTEXT:
        control = window.control(w)
        if control is not None:
            control["text"] = s.m.cstring(l)
            s.last_shown_ms = s.clock_ms
            if window.modeless:
                if window.template_id == PROGRESS_WINDOW and w == 1006:
                    s.files_shown += 1
                s.script.line("window %d control %d text=%s" % (
                    window.template_id, w, quote(s.utf8(control["text"]))))
            result = 1
    elif window.procedure:
        result = yield GuestCall(window.procedure, window.handle, message, w, l)
    if window.alive and window.modeless and message != WM_INITDIALOG:
        click = user_click(s, window)
        if click and window.procedure:
            yield GuestCall(window.procedure, window.handle, WM_COMMAND, click, 0)
    return result


def send(s, window, message, w, l):
    """SendMessage to a dialog: at once in its own thread, else through its thread's loop."""
    if window.thread is s.m.current:
        return (yield from deliver(s, window, message, w, l))
    sent = SentMessage(window, message, w, l)
    s.sent.append(sent)
    yield Block(lambda: (sent.done, sent.result), "SendMessage 0x%x to window %d" % (
        message, window.template_id))
    return sent.result


def handle_sent(s):
    """Handles the messages other threads sent to this thread's windows (a generator)."""
    while True:
        mine = [sent for sent in s.sent if sent.window.thread is s.m.current]
        if not mine:
            return
        sent = mine[0]
        s.sent.remove(sent)
        sent.result = yield from deliver(s, sent.window, sent.message, sent.w, sent.l)
        sent.done = True


def _window(s, handle):
    window = s.windows.get(handle)
    return window if window and window.alive else None


# ---- dialogs -----------------------------------------------------------------------------------
@api(U32, "CreateDialogParamA", 5)
def create_dialog_param(s, instance, name, parent, procedure, parameter):
    template_id = _template_id(s, name)
    window = _new_window(s, template_id, procedure, True)
    if window is None:
        return s.fail(1813)
    s.script.line("window %d shown caption=%s" % (template_id, _line_caption(window)))
    if procedure:
        yield GuestCall(procedure, window.handle, WM_INITDIALOG, 0, parameter)
    return window.handle


@api(U32, "DestroyWindow", 1)
def destroy_window(s, handle):
    window = _window(s, handle)
    if not window:
        return s.fail(1400)
    if window.procedure:
        yield GuestCall(window.procedure, handle, WM_DESTROY, 0, 0)
    window.alive = False
    if window.modeless and window.template_id:
        position, maximum = window.progress
        s.script.line("window %d closed progress=%d/%d" % (window.template_id, position, maximum))
    return 1


@api(U32, "EndDialog", 2)
def end_dialog(s, handle, result):
    window = _window(s, handle)
    if not window or window.modeless:
        return s.fail(1400)
    window.end_result = result
    return 1


def _command(s, window, control):
    yield GuestCall(window.procedure, window.handle, WM_COMMAND, control, 0)


def _destination_actions(s, window):
    """The destination dialog's user, one answered action at a time (a generator)."""
    pending_ok = False
    while window.end_result is None:
        if pending_ok:
            pending_ok = False
            s.script.line("answer OK")
            yield from _command(s, window, IDOK)
            continue
        edit = window.control(1001)["text"]
        box = window.control(1012)
        s.script.line("dialog 202 caption=%s edit=%s box=%s" % (
            _line_caption(window), quote(s.utf8(edit)), "ticked" if box["checked"] else "clear"))
        answer = s.script.take()
        word, rest = split_answer(answer)
        typed = s.ansi_bytes(rest)[:259]
        if (word == "ok" and rest) or word == "type":
            s.script.line("answer type " + quote(s.utf8(typed)))
            window.control(1001)["text"] = typed
            pending_ok = word == "ok"
        elif word == "ok":
            s.script.line("answer OK")
            yield from _command(s, window, IDOK)
        elif word == "toggle":
            s.script.line("answer toggle")
            box["checked"] = not box["checked"]
            yield from _command(s, window, 1012)
        elif word == "browse":
            s.script.line("answer browse " + quote(s.utf8(typed)))
            s.pending_browse = typed
            yield from _command(s, window, 1000)
        else:
            s.script.line("answer Cancel" + ("" if answer else " (script ended)"))
            yield from _command(s, window, IDCANCEL)
            if window.end_result is None:
                raise EmulationError("dialog 202 did not end on Cancel")


REPLACE_CHOICES = {"yes": (IDYES, "Yes"), "no": (IDNO, "No"), "all": (1003, "Yes to All"),
                   "newer": (1004, "Newer")}


def _replace_actions(s, window):
    texts = [quote(s.utf8(window.control(ident)["text"])) for ident in (1009, 1005, 1008)]
    s.script.line("dialog 2007 caption=%s file=%s existing=%s new=%s" % (
        _line_caption(window), *texts))
    answer = s.script.take().lower()
    button, name = REPLACE_CHOICES.get(answer, (1007, "Cancel"))
    s.script.line("answer " + name + ("" if answer else " (script ended)"))
    yield from _command(s, window, button)
    if window.end_result is None:
        raise EmulationError("dialog 2007 did not end on its button %d" % button)


@api(U32, "DialogBoxParamA", 5)
def dialog_box_param(s, instance, name, parent, procedure, parameter):
    template_id = _template_id(s, name)
    window = _new_window(s, template_id, procedure, False)
    if window is None:
        return s.fail(1813, 0xFFFFFFFF)
    yield GuestCall(procedure, window.handle, WM_INITDIALOG, 0, parameter)
    if window.end_result is None:
        if template_id == DESTINATION_DIALOG:
            yield from _destination_actions(s, window)
        elif template_id == REPLACE_DIALOG:
            yield from _replace_actions(s, window)
        else:
            raise EmulationError("no user is modelled for dialog %d" % template_id)
    yield GuestCall(procedure, window.handle, WM_DESTROY, 0, 0)
    window.alive = False
    return window.end_result


@api(U32, "GetDlgItemTextA", 4)
def get_dlg_item_text(s, handle, ident, buffer, size):
    window = _window(s, handle)
    control = window.control(ident) if window else None
    if control is None or size <= 0:
        return 0
    text = control["text"][: size - 1]
    s.m.write(buffer, text + b"\0")
    return len(text)


@api(U32, "SetDlgItemTextA", 3)
def set_dlg_item_text(s, handle, ident, text):
    window = _window(s, handle)
    if not window or window.control(ident) is None:
        return s.fail(1421)
    if window.modeless:
        yield from send(s, window, WM_SETTEXT, ident, text)
    else:
        window.control(ident)["text"] = s.m.cstring(text)
    return 1


@api(U32, "IsDlgButtonChecked", 2)
def is_dlg_button_checked(s, handle, ident):
    window = _window(s, handle)
    control = window.control(ident) if window else None
    return 1 if control and control["checked"] else 0


@api(U32, "CheckDlgButton", 3)
def check_dlg_button(s, handle, ident, state):
    window = _window(s, handle)
    control = window.control(ident) if window else None
    if control is None:
        return s.fail(1421)
    control["checked"] = state == 1
    return 1


@api(U32, "SendDlgItemMessageA", 5)
def send_dlg_item_message(s, handle, ident, message, w, l):
    window = _window(s, handle)
    control = window.control(ident) if window else None
    if control is None:
        return s.fail(1421)
    if message == PBM_SETRANGE32:
        window.progress[1] = l - (1 << 32) if l & 0x80000000 else l
        return 0
    if message == PBM_SETRANGE:
        window.progress[1] = l >> 16
        return 0
    if message == PBM_SETPOS:
        previous = window.progress[0]
        window.progress[0] = w - (1 << 32) if w & 0x80000000 else w
        return previous
    if message == STM_SETICON:
        previous, control["icon"] = control["icon"], w
        return previous
    if message == STM_GETICON:
        return control["icon"]
    raise EmulationError("message 0x%x to control %d is not modelled" % (message, ident))


# ---- messages ----------------------------------------------------------------------------------
ANIMATION_MESSAGES = {1124, 1125, 1126}  # ACM_OPENA, ACM_PLAY, ACM_STOP
BFFM_SETSELECTIONA = 1126


@api(U32, "SendMessageA", 4)
def send_message(s, handle, message, w, l):
    window = s.windows.get(handle)
    if window is None:
        if handle == s.browser_window and message == BFFM_SETSELECTIONA:
            return 1
        return s.fail(1400)
    if window.template_id == 0:  # a control created at run time: the animation
        if not window.alive:
            return 0
        if message in ANIMATION_MESSAGES:
            return 1
        raise EmulationError("message 0x%x to the animation control is not modelled" % message)
    return (yield from send(s, window, message, w, l))


@api(U32, "PostQuitMessage", 1)
def post_quit_message(s, code):
    s.m.current.message_queue.append((0, WM_QUIT, code, 0))


def _write_message(s, address, posted):
    window, message, w, l = posted
    s.m.write(address, struct.pack("<7I", window, message, w, l, s.clock_ms, 0, 0))


@api(U32, "GetMessageA", 4)
def get_message(s, address, handle, low, high):
    thread = s.m.current
    while True:
        yield from handle_sent(s)
        if thread.message_queue:
            posted = thread.message_queue.pop(0)
            _write_message(s, address, posted)
            return 0 if posted[1] == WM_QUIT else 1
        yield Block(lambda: (bool(thread.message_queue) or
                             any(sent.window.thread is thread for sent in s.sent), None),
                    "GetMessage")


@api(U32, "PeekMessageA", 5)
def peek_message(s, address, handle, low, high, remove):
    yield from handle_sent(s)
    queue = s.m.current.message_queue
    if not queue:
        return 0
    _write_message(s, address, queue[0])
    if remove & 1:
        queue.pop(0)
    return 1


@api(U32, "IsDialogMessageA", 2)
def is_dialog_message(s, handle, address):
    # Only keyboard input for the dialog would be consumed, and none is ever queued.
    return 0


@api(U32, "TranslateMessage", 1)
def translate_message(s, address):
    return 0


@api(U32, "DispatchMessageA", 1)
def dispatch_message(s, address):
    window, message, w, l = struct.unpack("<4I", s.m.read(address, 16))
    target = _window(s, window)
    if not target or not target.procedure:
        return 0
    return (yield GuestCall(target.procedure, window, message, w, l))


# ---- windows of the shell and the system -------------------------------------------------------
@api(U32, "CreateWindowExA", 12)
def create_window_ex(s, ex_style, cls, name, style, x, y, width, height, parent, menu, instance,
                     parameter):
    cls_name = s.m.cstring(cls) if cls >= 0x10000 else b"#%d" % cls
    if cls_name.lower() != b"sysanimate32":
        raise EmulationError("CreateWindowExA of class %r is not modelled" % cls_name)
    return _new_window(s, 0, 0, True).handle


@api(U32, "SetWindowPos", 7)
def set_window_pos(s, handle, after, x, y, width, height, flags):
    return 1 if _window(s, handle) else s.fail(1400)


@api(U32, "ShowWindow", 2)
def show_window(s, handle, command):
    return 0


@api(U32, "UpdateWindow", 1)
def update_window(s, handle):
    return 1 if _window(s, handle) else 0


@api(U32, "DestroyIcon", 1)
def destroy_icon(s, icon):
    if icon not in s.icons:
        return s.fail(1402)
    s.icons.discard(icon)
    return 1


@api(U32, "FindWindowA", 2)
def find_window(s, cls, title):
    # No other program's windows exist; the stub's own dialogs are found by their caption.
    if cls:
        wanted = s.m.cstring(cls) if cls >= 0x10000 else None
        if wanted != b"#32770":
            return 0
    caption = s.m.cstring(title) if title else None
    for window in s.windows.values():
        if window.alive and window.template_id and (
                caption is None or s.ansi_bytes(window.caption) == caption):
            return window.handle
    return 0


@api(U32, "WaitForInputIdle", 2)
def wait_for_input_idle(s, process, milliseconds):
    return 0


@api(U32, "MessageBoxA", 4)
def message_box(s, owner, text, caption, box_type):
    caption_text = s.utf8(s.m.cstring(caption)) if caption else "Error"
    return s.script.message_box(s.utf8(s.m.cstring(text)), caption_text, box_type)


@api(U32, "MessageBeep", 1)
def message_beep(s, beep_type):
    s.script.line("beep asterisk" if beep_type == 0x40 else "beep 0x%x" % beep_type)
    return 1


@api(U32, "LoadStringA", 4)
def load_string(s, instance, ident, buffer, size):
    text = s.image.string(ident, s.language)
    if text is None:
        return 0
    data = s.ansi_bytes(text)
    if size == 0:
        raise EmulationError("LoadStringA into a pointer is not modelled")
    data = data[: size - 1]
    s.m.write(buffer, data + b"\0")
    return len(data)
