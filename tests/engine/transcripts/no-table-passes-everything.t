# Without a current table every record passes unchanged, the keyboard's own repeats too.
== script
d:A t:500 d:A t:30 d:A u:A
d:Mouse-Left m:3,4 w:-120 u:Mouse-Left
== expect
0 kbd A make
500 kbd A make
530 kbd A make
530 kbd A break
530 mouse Mouse-Left down
530 mouse move 3,4
530 mouse wheel -120
530 mouse Mouse-Left up
