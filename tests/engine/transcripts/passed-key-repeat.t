# A key no binding takes is passed on as a generated press: its hardware repeats are
# swallowed, the engine repeats it after the delay (250 ms) at the rate (30/s), and its
# release sends exactly one break. Pressing B takes the repeat over; releasing B does not
# give it back to A.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "Empty", "priority": 1}]}]}
== script
d:A t:100 d:A t:250 d:B t:300 u:B t:400 u:A
== expect
0 kbd A make
250 kbd A make
284 kbd A make
318 kbd A make
350 kbd A make
350 kbd B make
600 kbd B make
634 kbd B make
650 kbd B break
1050 kbd A break
