#include <iostream>
#include <string>
#include <vector>

#include "tools/portclient/port_client.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return hitched::RunPortClient(args, std::cout, std::cerr);
}
