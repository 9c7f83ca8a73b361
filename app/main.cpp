// Ambletoe's walking script. Nothing is drawn while main runs: the commands
// are recorded and the viewer plays them once main has returned.
#include "commands.h"

int main() {
    cmdTurn();
    cmdTurn();
    cmdTurn();
    cmdTurn();

    cmdWalk();
    cmdWalk();
    cmdWalk();

    cmdTurn();
    cmdTurn();

    cmdWalk();
    cmdWalk();
    cmdWalk();

    cmdTurn();
    cmdTurn();

    cmdWalk();
    cmdWalk();
    cmdWalk();

    cmdTurn();
    cmdTurn();

    cmdWalk();
    cmdWalk();
    cmdWalk();

    cmdTurn();
    cmdTurn();
    cmdTurn();
    cmdTurn();
    cmdTurn();
    cmdTurn();
    return 0;
}
