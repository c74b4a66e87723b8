# A group marked to run on activation never fires on a press; its actions run once, press
# then release, when its table becomes current (again on every activation).
== settings
{"defaultTable": "Base", "tables": [
 {"name": "Base", "groups": [{"name": "G", "priority": 1, "actions": [
   {"kind": "RemapTable", "trigger": "F1(1)", "table": "Games"}]}]},
 {"name": "Games", "groups": [
  {"name": "Hello", "priority": 1, "runOnActivate": true, "actions": [
    {"kind": "Input", "trigger": "F1(1)", "sequences": ["H(A)", "I(A)"]}]},
  {"name": "Back", "priority": 2, "actions": [
    {"kind": "RemapTable", "trigger": "F2(1)", "table": "Base"}]}]}]}
== script
d:F1 u:F1 t:10 d:F1 u:F1 t:10 d:F2 u:F2 t:10 d:F1 u:F1
== expect
0 kbd H make
0 kbd H break
0 kbd I make
0 kbd I break
10 kbd F1 make
10 kbd F1 break
30 kbd H make
30 kbd H break
30 kbd I make
30 kbd I break
