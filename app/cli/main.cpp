// The veilcraft command: the program's workflows on the command line.
#include "Cli.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return veilcraft::cli::runCli(arguments, std::cin, std::cout, std::cerr);
}
