#pragma once

namespace tavolin::test {

// Every test main calls these, in this order:
//
// Points XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME at a temporary folder for the whole run, so no
// test can touch the real user's settings, history or extensions even when it forgets IsolatedHome. Child
// processes (child roles, programs a test starts) inherit the folder instead of making their own, so
// several processes of one test still share their files.
void isolateFromUserFiles();

// Runs the child role named on the command line, or else every test. Returns the exit code.
int runChildRoleOrTests(int argc, char **argv);

} // namespace tavolin::test
