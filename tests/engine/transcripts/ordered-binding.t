# A binding [LCtrl (any order), C (1)] in a group that ignores no keys fires on LCtrl then C,
# not on C then LCtrl, and not with Shift held as well.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "LCtrl(A) + C(1)", "sequences": ["LCtrl(A) + V(A)"]}]}]}]}
== script
d:LCtrl d:C u:C u:LCtrl
t:10 d:C d:LCtrl u:LCtrl u:C
t:10 d:LShift d:LCtrl d:C u:C u:LCtrl u:LShift
== expect
