# Without a current table every record passes unchanged, the keyboard's own repeats too.
== script
d:A t:500 d:A t:30 d:A u:A
d:Mouse-Left m:3,4 w:-120 u:Mouse-Left
== expect
