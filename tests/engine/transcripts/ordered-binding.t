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
0 kbd LCtrl make
0 kbd V make
0 kbd V break
0 kbd LCtrl break
10 kbd C make
10 kbd LCtrl make
10 kbd LCtrl break
10 kbd C break
20 kbd LShift make
20 kbd LCtrl make
20 kbd C make
20 kbd C break
20 kbd LCtrl break
20 kbd LShift break
