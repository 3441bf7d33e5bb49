#!/usr/bin/python3
"""What a screen reader finds in the window, read through AT-SPI with pyatspi.

Walks the accessible tree of the running program (started with the simulated
instrument and QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the same session bus),
checks each control's role, name, description, states and labels, then types
the data path and presses UPDATE through AT-SPI alone, reads the progress bar's
value and description during the run, finds that UPDATE cannot be pressed nor
Verify toggled again while the run hides them, and expects the result as an
alert saying "Update successful !", which it closes.

    atspi_walk.py <data file> [program name]
    atspi_walk.py --result <program name>   waits for a message box, prints its text
    atspi_walk.py --focus <program name> <control>   waits until the control has the focus
"""
import re
import sys
import time

import pyatspi

# Fixed limits for every wait, in tries a tenth of a second apart.
APP_WAIT = 300
RUN_WAIT = 900
STEP = 0.1

failures = []


def check(condition, what):
    print(("ok      " if condition else "FAILED  ") + what)
    if not condition:
        failures.append(what)


def wait_for(find, tries, what):
    for _ in range(tries):
        found = find()
        if found:
            return found
        time.sleep(STEP)
    sys.exit(f"atspi_walk: no {what} within {tries * STEP:.0f} s")


def application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name and app.childCount > 0:
            return app
    return None


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find(root, role, name):
    for node in descendants(root):
        if node.getRole() == role and node.name == name:
            return node
    return None


def has_state(node, state):
    return node.getState().contains(state)


def labels_of(node):
    return [relation.getTarget(i).name
            for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(relation.getNTargets())]


def action_names(node):
    action = node.queryAction()
    return [action.getName(i) for i in range(action.nActions)]


def do_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    return False


def main():
    data_file = sys.argv[1]
    app = wait_for(lambda: application(sys.argv[2] if len(sys.argv) > 2 else "vantrel"), APP_WAIT,
                   "application on the accessibility bus")
    window = wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, "Firmware update   V1.0"), APP_WAIT, "window")

    # Push buttons: named by their tooltip where they show only a glyph.
    for name, description in [("Minimaze", "Minimaze"), ("Close", "Close"), ("Find data file", "Find data file"),
                              ("UPDATE", "Update the firmware")]:
        button = find(window, pyatspi.ROLE_PUSH_BUTTON, name)
        check(button is not None, f"push button '{name}'")
        if button is None:
            continue
        check(button.description == description, f"'{name}' is described as '{description}'")
        check(has_state(button, pyatspi.STATE_FOCUSABLE), f"'{name}' can take the focus")
        check("Press" in action_names(button), f"'{name}' has a press action")

    verify = find(window, pyatspi.ROLE_CHECK_BOX, "Verify")
    check(verify is not None, "check box 'Verify'")
    if verify is not None:
        check(verify.description == "Verify data after update", "Verify's description is its tooltip")
        check(has_state(verify, pyatspi.STATE_CHECKED), "Verify starts checked")
        do_action(verify, "Toggle")
        check(wait_until(lambda: not has_state(verify, pyatspi.STATE_CHECKED)), "toggled, Verify is unchecked")
        do_action(verify, "Toggle")
        check(wait_until(lambda: has_state(verify, pyatspi.STATE_CHECKED)), "toggled again, Verify is checked")

    # The lists and the path field: labelled by the template's hidden labels,
    # which stay unseen, and their edit fields named as the skin labels them.
    # (On Linux Qt names an editable list after its text; the label tells
    # the lists apart.)
    for role, name, label in [(pyatspi.ROLE_COMBO_BOX, "Model", "Product type"),
                              (pyatspi.ROLE_COMBO_BOX, "MIDI In Device", "MIDI In Device"),
                              (pyatspi.ROLE_COMBO_BOX, "MIDI Out Device", "MIDI Out Device"),
                              (pyatspi.ROLE_TEXT, "Data Path", "Data Path")]:
        control = next((node for node in descendants(window)
                        if node.getRole() == role and labels_of(node) == [label]), None)
        check(control is not None, f"{role} labelled by '{label}'")
        if control is None:
            continue
        field = control if role == pyatspi.ROLE_TEXT else find(control, pyatspi.ROLE_TEXT, name)
        check(field is not None and field.name == name, f"the field labelled by '{label}' is named '{name}'")
        hidden = find(window, pyatspi.ROLE_LABEL, label)
        check(hidden is not None and not has_state(hidden, pyatspi.STATE_SHOWING), f"label '{label}' stays hidden")

    progress = find(window, pyatspi.ROLE_PROGRESS_BAR, "Step 4 : Update")
    check(progress is not None, "progress bar 'Step 4 : Update'")
    if progress is None or failures:
        return

    path = find(window, pyatspi.ROLE_TEXT, "Data Path")
    path.queryEditableText().setTextContents(data_file)
    update = find(window, pyatspi.ROLE_PUSH_BUTTON, "UPDATE")
    check(do_action(update, "Press"), "UPDATE pressed")

    value = progress.queryValue()
    check(value.minimumValue == 0 and value.maximumValue == 100, "progress runs from 0 to 100")
    seen = wait_for(lambda: midway(progress, value), RUN_WAIT, "progress between 0 and 100 %")
    check(re.fullmatch(rf"(Updating|Verifing)\.\.\. {seen[0]}%", seen[1]) is not None,
          f"during the run the bar reads {seen[0]} with the description '{seen[1]}'")
    check(not do_action(update, "Press"), "during the run UPDATE cannot be pressed")
    check(not do_action(verify, "Toggle") and has_state(verify, pyatspi.STATE_CHECKED),
          "during the run Verify cannot be toggled")

    alert = wait_for(lambda: find_role(app, pyatspi.ROLE_ALERT), RUN_WAIT, "result box")
    texts = [node.name for node in descendants(alert) if node.getRole() == pyatspi.ROLE_LABEL]
    check("Update successful !" in texts, f"the result is an alert saying 'Update successful !' (found {texts})")
    ok = next((node for node in descendants(alert) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON), None)
    if ok is not None:
        do_action(ok, "Press")


def midway(progress, value):
    # The run moves on between two reads: a sample counts when the
    # description stayed the same around the value.
    before = progress.description
    current = value.currentValue
    if not 0 < current < 100 or progress.description != before:
        return None
    # Before the first chunk the bar has no step text yet.
    return (int(current), before) if before else None


def find_role(root, role):
    for node in root:
        if node is not None and node.getRole() == role:
            return node
    return None


def wait_until(condition):
    for _ in range(APP_WAIT):
        if condition():
            return True
        time.sleep(STEP)
    return False


def result_text(name):
    """The first line of the program's next message box, read from its alert."""
    app = wait_for(lambda: application(name), APP_WAIT, "application on the accessibility bus")
    alert = wait_for(lambda: find_role(app, pyatspi.ROLE_ALERT), RUN_WAIT, "message box")
    texts = [node.name for node in descendants(alert) if node.getRole() == pyatspi.ROLE_LABEL and node.name]
    print(texts[0] if texts else "")


def wait_for_focus(name, control):
    """Returns once the control named `control` of program `name` has the focus."""
    app = wait_for(lambda: application(name), APP_WAIT, "application on the accessibility bus")
    wait_for(lambda: any(node.name == control and has_state(node, pyatspi.STATE_FOCUSED) for node in descendants(app)),
             APP_WAIT, f"focus on '{control}'")


if __name__ == "__main__":
    if sys.argv[1] == "--result":
        result_text(sys.argv[2])
        sys.exit(0)
    if sys.argv[1] == "--focus":
        wait_for_focus(sys.argv[2], sys.argv[3])
        sys.exit(0)
    main()
    if failures:
        sys.exit(f"atspi_walk: {len(failures)} check(s) failed")
    print("atspi_walk: every check passed")
