# The laptop's Eject key arrives through raw input as key number 100 and is evaluated like a
# key: bound, it fires; its raw report itself is never injected.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "KB-100(1)", "sequences": ["Delete(A)"]}]}]}]}
== script
e:d e:u
== expect
0 kbd Delete make
0 kbd Delete break
