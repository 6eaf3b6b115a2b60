#include "cli.h"

int main(int argc, char** argv) { return kivo::cli::Main(argc, argv); }
