# "Ignore all keys": [C] fires whatever else is held. "Dont ignore these keys ( LShift )":
# only LShift takes part in the candidate, so LCtrl + LShift + C looks for [LShift, C].
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [
  {"name": "All", "priority": 1, "ignore": [[0, 0, 0]], "actions": [
    {"kind": "Input", "trigger": "F1(1)", "sequences": ["Home(A)"]}]},
  {"name": "Shift", "priority": 2, "ignore": "LShift(A)", "actions": [
    {"kind": "Input", "trigger": "LShift(A) + C(1)", "sequences": ["End(A)"]}]}]}]}
== script
d:LAlt d:F1 u:F1 u:LAlt
t:10 d:LCtrl d:LShift d:C u:C u:LShift u:LCtrl
== expect
0 kbd LAlt make
0 kbd Home make
0 kbd Home break
0 kbd LAlt break
10 kbd LCtrl make
10 kbd LShift make
10 kbd End make
10 kbd End break
10 kbd LShift break
10 kbd LCtrl break
