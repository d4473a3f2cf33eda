#include <cstdio>

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::fputs("ordanou: not built yet\n", stderr);
  return 1;
}
