/*
 * The practical floor for the removal: the same rewrite with nothing but
 * read(), write() and memchr() through 1 MiB buffers, then fsync and rename.
 * No error recovery beyond exiting non-zero; it exists to be timed.
 *
 * usage: floor_remove FILE PLUGIN_NAME   (rewrites FILE in place)
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kBlock = 1 << 20 };

static char in_buf[kBlock], out_buf[kBlock];
static size_t out_used;
static int out_fd;
static char upper_name[4096];
static size_t name_len;
static char* scratch;
static size_t scratch_cap;
static int header_state; /* 0 first, 1 second, 2 body */

static void die(const char* what) {
  perror(what);
  exit(2);
}

static void write_all(const char* p, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t w = write(out_fd, p + done, n - done);
    if (w < 0) die("write");
    done += (size_t)w;
  }
}

static void flush_out(void) {
  write_all(out_buf, out_used);
  out_used = 0;
}

static void put(const char* p, size_t n) {
  if (n > kBlock - out_used) flush_out();
  if (n >= kBlock) {
    write_all(p, n); /* longer than a buffer: straight through */
    return;
  }
  memcpy(out_buf + out_used, p, n);
  out_used += n;
}

static char up(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

static int names_plugin(const char* rest, size_t n) {
  if (n < name_len) return 0;
  if (n > scratch_cap) {
    scratch_cap = n * 2;
    scratch = realloc(scratch, scratch_cap);
    if (!scratch) die("realloc");
  }
  for (size_t i = 0; i < n; i++) scratch[i] = up(rest[i]);
  for (size_t i = 0; i + name_len <= n; i++) {
    if (scratch[i] == upper_name[0] && memcmp(scratch + i, upper_name, name_len) == 0) return 1;
  }
  return 0;
}

/* Returns the result code: 0 to go on, 4 or 5 to stop. */
static int line(const char* p, size_t n) {
  size_t i = 0;
  while (i < n && p[i] == ' ') i++;
  const char* key = p + i;
  const char* sp = memchr(key, ' ', n - i);
  size_t key_len = sp ? (size_t)(sp - key) : n - i;
  const char* rest = sp ? sp + 1 : p + n;
  size_t rest_len = (size_t)(p + n - rest);
  if (header_state == 0) {
    if (key_len == 4 && memcmp(key, "ZKCO", 4) == 0)
      header_state = 1;
    else if (key_len == 4 && memcmp(key, "MDOP", 4) == 0)
      header_state = 2;
    else
      return 4;
  } else if (header_state == 1) {
    if (key_len == 1 && key[0] == '0')
      header_state = 2;
    else
      return 5;
  } else if (key_len == 6 && memcmp(key, "Plugin", 6) == 0 && rest_len > 0 &&
             names_plugin(rest, rest_len)) {
    return 0;
  }
  put(key, key_len);
  put(" ", 1);
  put(rest, rest_len);
  put("\r\n", 2);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const char* path = argv[1];
  name_len = strlen(argv[2]);
  if (name_len == 0 || name_len >= sizeof upper_name) return 2;
  for (size_t i = 0; i < name_len; i++) upper_name[i] = up(argv[2][i]);

  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%s.floor-tmp", path);
  int in = open(path, O_RDONLY);
  if (in < 0) die("open");
  out_fd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (out_fd < 0) die("open tmp");

  char* carry = NULL;
  size_t carry_len = 0, carry_cap = 0;
  int result = 0, ended = 0;
  while (!ended && result == 0) {
    ssize_t got = read(in, in_buf, kBlock);
    if (got < 0) die("read");
    if (got == 0) break;
    size_t n = (size_t)got;
    char* z = memchr(in_buf, 0x1A, n);
    if (z) {
      n = (size_t)(z - in_buf);
      ended = 1;
    }
    char* p = in_buf;
    char* end = in_buf + n;
    char* lf;
    while (result == 0 && (lf = memchr(p, '\n', (size_t)(end - p))) != NULL) {
      const char* s = p;
      size_t len = (size_t)(lf - p);
      if (carry_len) {
        if (carry_len + len > carry_cap) {
          carry_cap = (carry_len + len) * 2;
          carry = realloc(carry, carry_cap);
          if (!carry) die("realloc");
        }
        memcpy(carry + carry_len, p, len);
        s = carry;
        len += carry_len;
        carry_len = 0;
      }
      if (len && s[len - 1] == '\r') len--;
      result = line(s, len);
      p = lf + 1;
    }
    if (result == 0 && p < end) {
      size_t len = (size_t)(end - p);
      if (carry_len + len > carry_cap) {
        carry_cap = (carry_len + len) * 2;
        carry = realloc(carry, carry_cap);
        if (!carry) die("realloc");
      }
      memcpy(carry + carry_len, p, len);
      carry_len += len;
    }
  }
  if (result == 0 && carry_len) result = line(carry, carry_len);
  if (result != 0) {
    unlink(tmp);
    return result;
  }
  flush_out();
  struct stat st;
  if (fstat(in, &st) == 0) fchmod(out_fd, st.st_mode & 07777);
  if (fsync(out_fd) != 0) die("fsync");
  close(out_fd);
  close(in);
  if (rename(tmp, path) != 0) die("rename");
  return 0;
}
