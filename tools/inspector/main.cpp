#include <iostream>

#include "Inspector.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return en24tool::RunEn24(args, std::cout, std::cerr);
}
