# A binding that switches to a table no file has turns remapping off. What the engine held is
# let go at that moment: the generated LCtrl gets its break and stops repeating, and the
# releases that follow pass as they came. (The group ignores all keys, so F12 fires with F1 held.)
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "ignore": [[0,0,0]], "actions": [
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["LCtrl"]},
  {"kind": "RemapTable", "trigger": "F12(1)", "table": "Layer Off"}]}]}]}
== script
d:F1 t:300 d:F12 t:100 u:F1 u:F12 t:500 d:A u:A
== expect
0 kbd LCtrl make
250 kbd LCtrl make
284 kbd LCtrl make
300 kbd LCtrl break
400 kbd F1 break
400 kbd F12 break
900 kbd A make
900 kbd A break
