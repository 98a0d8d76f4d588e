/* A C host of the installed package: 1 from AreYouThere, 0 from a refused DOSSpawn. */
#include <install.h>
#include <stdio.h>

int main(void) {
  int32_t token = INSTALL_ACCESS_TOKEN, wrong_token = 0;
  char command[] = "exit 3";
  printf("%d %d\n", AreYouThere(NULL, &token, NULL), DOSSpawn(NULL, &wrong_token, command));
  return 0;
}
