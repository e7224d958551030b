"""The answer script and the transcript, in the format of `tamrix run --ui script:FILE`."""

BUTTON_NAMES = {1: "OK", 2: "Cancel", 3: "Abort", 4: "Retry", 5: "Ignore", 6: "Yes", 7: "No"}
# MessageBox button sets: the buttons in the order shown, the answer when the script has none.
BUTTON_SETS = {
    0: ([1], 1),
    1: ([1, 2], 2),
    2: ([3, 4, 5], 3),
    3: ([6, 7, 2], 2),
    4: ([6, 7], 7),
    5: ([4, 2], 2),
}
ICONS = {0x10: "error", 0x20: "question", 0x30: "warning", 0x40: "information"}


def load_answers(path):
    answers = []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\r\n").rstrip(" \r")
            if line and not line.startswith("#"):
                answers.append(line)
    return answers


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def split_answer(answer):
    word, _, rest = answer.partition(" ")
    return word.lower(), rest


class Script:
    def __init__(self, answers, out):
        self.answers = list(answers)
        self.out = out

    def line(self, text):
        self.out.write(text + "\n")
        self.out.flush()

    def take(self):
        return self.answers.pop(0) if self.answers else ""

    def peek(self):
        return self.answers[0] if self.answers else ""

    def message_box(self, text, caption, box_type):
        buttons, safe = BUTTON_SETS.get(box_type & 0x0F, ([1], 1))
        self.line("messagebox caption=%s icon=%s buttons=%s text=%s" % (
            quote(caption), ICONS.get(box_type & 0xF0, "none"),
            ",".join(BUTTON_NAMES[b] for b in buttons), quote(text)))
        answer = self.take().lower()
        if len(buttons) == 1:
            result = buttons[0]
        else:
            result = next((b for b in buttons if BUTTON_NAMES[b].lower() == answer), safe)
        self.line("answer " + BUTTON_NAMES[result] + ("" if answer else " (script ended)"))
        return result
