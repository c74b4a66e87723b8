# With a delay of 100 ms the accumulated steps go out one per period from the repeat tick;
# fractions stay.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main"}],
 "presets": [{"name": "P", "settings": {"Mouse Wheel Acceleration": "2.0", "Mouse Wheel Acceleration Delay": "100"}}]}
== script
t:1000 w:120 t:2 w:120 t:2 w:120 t:600
== expect
1002 mouse wheel 120
1104 mouse wheel 120
1206 mouse wheel 120
1308 mouse wheel 120
