#include <unistd.h>

#include <iostream>
#include <string_view>
#include <vector>

#include "app/ClientMain.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return kelbrin::app::RunClient(args, std::cin, STDIN_FILENO, std::cout, std::cerr);
}
