# Two groups bind C: the lower priority number wins. With "continue processing" on the first
# actions both fire and C itself is passed on too.
== settings
{"defaultTable": "Stop", "tables": [
 {"name": "Stop", "groups": [
  {"name": "Switch", "priority": 0, "actions": [{"kind": "RemapTable", "trigger": "F12(1)", "table": "Go"}]},
  {"name": "First", "priority": 1, "actions": [{"kind": "Input", "trigger": "C(1)", "sequences": ["X(A)"]}]},
  {"name": "Second", "priority": 2, "actions": [{"kind": "Input", "trigger": "C(1)", "sequences": ["Y(A)"]}]}]},
 {"name": "Go", "groups": [
  {"name": "First", "priority": 1, "actions": [{"kind": "Input", "trigger": "C(1)", "flags": 1, "sequences": ["X(A)"]}]},
  {"name": "Second", "priority": 2, "actions": [{"kind": "Input", "trigger": "C(1)", "flags": 1, "sequences": ["Y(A)"]}]}]}]}
== script
d:C u:C
d:F12 u:F12
d:C u:C
== expect
0 kbd X make
0 kbd X break
0 kbd X make
0 kbd Y make
0 kbd C make
0 kbd C break
0 kbd Y break
0 kbd X break
