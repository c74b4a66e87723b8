# The configuration is replaced while keys are held (the dialog saved Settings.dat). A key the
# engine passed on stays held while remapping stays on, and its release still ends it. A reload
# that turns remapping off lets go of everything at once; with remapping back on, a key is a
# fresh key again: a make, the engine's repeat and one break.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main"}]}
== settings off
{"defaultTable": "Main", "remappingDisabled": true, "tables": [{"name": "Main"}]}
== settings on
{"defaultTable": "Main", "tables": [{"name": "Main"}]}
== script
d:A t:10 l:on t:10 u:A
t:10 d:B t:10 l:off t:10 u:B
t:10 l:on d:B t:300 u:B
== expect
0 kbd A make
20 kbd A break
30 kbd B make
40 kbd B break
50 kbd B break
60 kbd B make
310 kbd B make
344 kbd B make
360 kbd B break
