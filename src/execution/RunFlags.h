#pragma once
// The program-wide run flags. At most one is set: a command issued while a
// continuous job run or a test run loops talks to that loop only through them.
namespace kitbox {

struct RunFlags {
    bool continuousRun = false;
    bool testRun = false;

    bool anyRun() const { return continuousRun || testRun; }
};

} // namespace kitbox
