# A repeat delay of 100 ms and a rate of 10 per second: repeats at 100, 200 and 300 ms.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main"}],
 "presets": [{"name": "P", "settings": {"Keyboard Repeat Rate": "10", "Keyboard Repeat Delay": "100"}}]}
== script
d:A t:350 u:A
== expect
0 kbd A make
100 kbd A make
200 kbd A make
300 kbd A make
350 kbd A break
