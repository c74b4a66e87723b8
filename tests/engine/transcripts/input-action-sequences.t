# One sequence is held as long as the binding; several are typed out at once; release keys
# are let go around the generated input; two actions holding one key share one make and one
# break.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["LCtrl(A) + C(A)"]},
  {"kind": "Input", "trigger": "F2(1)", "sequences": ["A(A)", "B(A)"]},
  {"kind": "Input", "trigger": "LShift(A) + F3(1)", "sequences": ["K1(A)"], "release": "LShift(A)"},
  {"kind": "Input", "trigger": "F4(1)", "sequences": ["LCtrl(A)"]}]}]}]}
== script
d:F1 u:F1
t:10 d:F2 u:F2
t:10 d:LShift d:F3 u:F3 u:LShift
t:10 d:F1 d:F4 u:F1 u:F4
== expect
