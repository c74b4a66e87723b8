# A key no binding takes is passed on as a generated press: its hardware repeats are
# swallowed, the engine repeats it after the delay (250 ms) at the rate (30/s), and its
# release sends exactly one break. Pressing B takes the repeat over; releasing B does not
# give it back to A.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "Empty", "priority": 1}]}]}
== script
d:A t:100 d:A t:250 d:B t:300 u:B t:400 u:A
== expect
