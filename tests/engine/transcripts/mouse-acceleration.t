# Movement acceleration: length to the power 2, capped at 6000 per record; absolute moves
# pass with only their button fields cleared.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main"}],
 "presets": [{"name": "P", "settings": {"Mouse Acceleration": "2.0"}}]}
== script
m:3,4 m:100,0 m:-3,-4 ma:100,200
== expect
0 mouse move 15,20
0 mouse move 6000,0
0 mouse move -15,-20
0 mouse move 100,200 abs
