# A Kill binding swallows its keys. Release All Keys lets go of everything held: the passed
# key A and the generated LCtrl get their breaks at once; the later releases of F1 and A
# find nothing held and pass as they are.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "ignore": [[0, 0, 0]], "actions": [
  {"kind": "Kill", "trigger": "CapsLock(1)"},
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["LCtrl(A)"]},
  {"kind": "ReleaseAllKeys", "trigger": "ScrLck(1)"}]}]}]}
== script
d:CapsLock u:CapsLock
d:A d:F1 d:ScrLck u:ScrLck u:F1 u:A
== expect
0 kbd A make
0 kbd LCtrl make
0 kbd LCtrl break
0 kbd A break
0 kbd F1 break
0 kbd A break
