# One sequence is held as long as the binding; several are typed out at once; release keys
# are let go around the generated input; two actions holding one key share one make and one
# break. The group ignores all other keys, so bindings fire whatever else is held.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "ignore": [[0, 0, 0]], "actions": [
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["LCtrl(A) + C(A)"]},
  {"kind": "Input", "trigger": "F2(1)", "sequences": ["A(A)", "B(A)"]},
  {"kind": "Input", "trigger": "F3(1)", "sequences": ["K1(A)"], "release": "LShift(A)"},
  {"kind": "Input", "trigger": "F4(1)", "sequences": ["LCtrl(A)"]}]}]}]}
== script
d:F1 u:F1
t:10 d:F2 u:F2
t:10 d:LShift d:F3 u:F3 u:LShift
t:10 d:F1 d:F4 u:F1 u:F4
== expect
0 kbd LCtrl make
0 kbd C make
0 kbd C break
0 kbd LCtrl break
10 kbd A make
10 kbd A break
10 kbd B make
10 kbd B break
20 kbd LShift make
20 kbd LShift break
20 kbd K1 make
20 kbd K1 break
20 kbd LShift make
20 kbd LShift break
30 kbd LCtrl make
30 kbd C make
30 kbd C break
30 kbd LCtrl break
