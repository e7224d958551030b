"""The table of modelled imports: each handler module declares its functions with @api."""

HANDLERS = []
NATIVE = []


def native(dll, name, code):
    NATIVE.append((dll, name, code))


def api(dll, name, argc, cdecl=False):
    def declare(function):
        HANDLERS.append((dll, name, argc, function, cdecl))
        return function
    return declare


def install(machine, system):
    for dll, name, code in NATIVE:
        machine.register_native(dll, name, code)
    for dll, name, argc, function, cdecl in HANDLERS:
        machine.register(dll, name, argc,
                         lambda m, args, function=function: function(system, *args), cdecl)


def modelled():
    return sorted(["%s!%s" % (dll, name) for dll, name, _, _, _ in HANDLERS] +
                  ["%s!%s" % (dll, name) for dll, name, _ in NATIVE])
