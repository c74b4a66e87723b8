# A binding on the wheel's forward step fires and releases once per wheel event and no wheel
# record goes out; the other direction passes unchanged.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "Mouse-WheelUp(1)", "sequences": ["Up(A)"]}]}]}]}
== script
w:120 w:240 w:-120
== expect
0 kbd Up make
0 kbd Up break
0 kbd Up make
0 kbd Up break
0 mouse wheel -120
