# The laptop's Eject key arrives through raw input as key number 100: bound, it fires; not
# bound, nothing is injected for it.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "KB-100(1)", "sequences": ["Delete(A)"]}]}]},
  {"name": "Empty"}]}
== script
e:d e:u
== expect
