# Wheel acceleration 2.0, sensitivity 100, no delay: the first step after a direction change
# sends 120; a second step 5 ms later (20 steps/s) sends 172; a turn back drops the rest.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main"}],
 "presets": [{"name": "P", "settings": {"Mouse Wheel Acceleration": "2.0"}}]}
== script
t:1000 w:120 t:5 w:120 t:500 w:-120
== expect
1000 mouse wheel 120
1005 mouse wheel 172
1505 mouse wheel -120
