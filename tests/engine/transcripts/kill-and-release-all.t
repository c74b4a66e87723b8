# A Kill binding swallows its keys. Release All Keys lets go of everything held: the passed
# key A and the generated LCtrl get their breaks at once.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Kill", "trigger": "CapsLock(1)"},
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["LCtrl(A)"]},
  {"kind": "ReleaseAllKeys", "trigger": "ScrLck(1)"}]}]}]}
== script
d:CapsLock u:CapsLock
d:A d:F1 d:ScrLck u:ScrLck u:F1 u:A
== expect
