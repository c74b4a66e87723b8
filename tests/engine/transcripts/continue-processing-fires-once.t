# A binding whose held keys may come in any order matches several candidates of one press;
# with Continue Processing it still fires once, and the key is passed on as well.
== settings
{"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
  {"kind": "Input", "trigger": "A(A) + B(A) + C(1)", "flags": 1, "sequences": ["X"]}]}]}]}
== script
d:A d:B d:C t:10 u:C u:B u:A
== expect
0 kbd A make
0 kbd B make
0 kbd X make
0 kbd C make
10 kbd C break
10 kbd X break
10 kbd B break
10 kbd A break
