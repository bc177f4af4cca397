"""Prints Lumo's window as AT-SPI gives it, then chooses a target choice through its action."""
import sys
import time

import pyatspi

SHOWN_STATES = {'checked', 'sensitive', 'focused'}


def states(node):
    return sorted(s for s in map(pyatspi.stateToString, node.getState().getStates()) if s in SHOWN_STATES)


def show(node, depth=0):
    print(f"{'  ' * depth}{node.getRoleName()}: {node.name!r} [{' '.join(states(node))}]")
    for child in node:
        if child is not None:
            show(child, depth + 1)


def main():
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == 'lumo']
    if not apps:
        sys.exit('Lumo is not on the accessibility bus')
    app = apps[0]
    show(app)

    target_box = pyatspi.findDescendant(
        app, lambda n: n.getRoleName() == 'panel' and n.name.startswith('Прошивка для запису'))
    choices = [child for child in target_box if child.getRoleName() == 'radio button']
    available = [c for c in choices if 'sensitive' in states(c) and 'checked' not in states(c)]
    if not available:
        sys.exit('no available unchecked target choice')
    choice = available[0]
    action = choice.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    print(f"\nactions of {choice.name!r}: {names}; running {names[0]!r}")
    action.doAction(0)
    time.sleep(1)
    for c in choices:
        print(f"radio button: {c.name!r} [{' '.join(states(c))}]")


if __name__ == '__main__':
    main()
