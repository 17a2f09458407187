// bcxscan: reads the linear barcodes in image files from the command line.
#include <unistd.h>

#include <cstdio>

#include "bcxscan_run.h"

int main(int argc, char** argv) {
  return bcxscan::RunProgram(argc, argv, stdout, stderr, isatty(STDERR_FILENO) == 1);
}
