/* A C host built against the installed package: prints what AreYouThere
   answers and what a refused DOSSpawn returns. */
#include <install.h>
#include <stdio.h>

int main(void) {
  int32_t token = INSTALL_ACCESS_TOKEN;
  int32_t wrong_token = 0;
  char command[] = "exit 3";
  printf("%d %d\n", (int)AreYouThere(NULL, &token, NULL),
         (int)DOSSpawn(NULL, &wrong_token, command));
  return 0;
}
