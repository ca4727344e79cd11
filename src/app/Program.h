#pragma once

// Starts the program: checks that there is a screen to show the window on, sets up the
// application's identity, creates the window and runs until it is closed.
int runProgram(int argc, char** argv);
