// The start-up sequence of one run, from parsing to the command's result.
#pragma once

class CApplicationFactory;

// Runs once inside the event loop; returns the exit code of the run.
int mainImpl(int argc, char **argv, CApplicationFactory &factory);
