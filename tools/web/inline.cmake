# Puts the script SCRIPT into the page SHELL, in place of {{{ SCRIPT }}}: the page PAGE.
file(READ ${SHELL} page)
file(READ ${SCRIPT} script)
string(REPLACE "{{{ SCRIPT }}}" "<script>\n${script}</script>" page "${page}")
file(WRITE ${PAGE} "${page}")
