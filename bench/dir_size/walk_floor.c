/* The floor for the directory-size benchmark: a walk that makes only the
 * system calls any such walk needs (openat, fdopendir, readdir, and one
 * fstatat per file) and nothing else. Folders are told apart by d_type;
 * links are neither followed nor measured. Prints the sum of the file sizes
 * in bytes.
 *
 * usage: walk_floor FOLDER */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static unsigned long long walk(int dir_fd) {
  unsigned long long total = 0;
  DIR* dir = fdopendir(dir_fd);
  if (dir == NULL) {
    close(dir_fd);
    return 0;
  }
  struct dirent* entry;
  while ((entry = readdir(dir)) != NULL) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    if (entry->d_type == DT_DIR) {
      int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) total += walk(child);
    } else if (entry->d_type == DT_REG) {
      struct stat info;
      if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) == 0) total += info.st_size;
    }
  }
  closedir(dir);
  return total;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: walk_floor FOLDER\n");
    return 2;
  }
  int top = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (top < 0) {
    perror(argv[1]);
    return 1;
  }
  printf("%llu\n", walk(top));
  return 0;
}
