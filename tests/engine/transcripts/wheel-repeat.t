# An Input action that holds the wheel step repeats it after the delay at the rate.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "F1(1)", "sequences": ["Mouse-WheelDown(A)"]}]}]}],
 "presets": [{"name": "P", "settings": {"Keyboard Repeat Rate": "10", "Keyboard Repeat Delay": "100"}}]}
== script
d:F1 t:350 u:F1 t:200
== expect
0 mouse wheel -120
100 mouse wheel -120
200 mouse wheel -120
300 mouse wheel -120
