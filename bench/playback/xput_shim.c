/* Preloaded into the player (or any X client) to timestamp the calls that put
 * a painted picture on the X server, so frame times can be taken from the
 * unchanged program. Qt's xcb backing store flushes with xcb_shm_put_image when
 * the server offers shared memory, otherwise with xcb_image_put; a flush from
 * its server-side pixmap is an xcb_copy_area. The player's movie window puts
 * its pictures itself, with xcb_shm_put_image or xcb_put_image, a strip or a
 * changed part at a time.
 *
 * The puts to one drawable up to a flush of the connection are one picture
 * shown; each appends one line to the file named by XPUT_LOG:
 *   <kind> <CLOCK_MONOTONIC ns of its first put> <drawable> <width> <height>
 * kind: S shm put, I image put, P put image, C copy area; width and height
 * are those of the box around its puts. One write() a line, so a killed
 * process loses nothing. Without XPUT_LOG the shim only passes calls on.
 *
 * The xcb types are declared here by their layout, so no xcb headers are needed.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef struct { unsigned int sequence; } cookie_t;
typedef struct connection connection_t;
typedef struct image image_t;
struct image_head { uint16_t width, height; };  /* xcb_image_t starts with these */

static int log_fd = -1;

__attribute__((constructor)) static void open_log(void) {
  const char* path = getenv("XPUT_LOG");
  if (path != NULL && *path != '\0') log_fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

static pthread_mutex_t pending_lock = PTHREAD_MUTEX_INITIALIZER;
static struct {
  char kind;  // 0: nothing pending
  long long ns;
  uint32_t drawable;
  int left, top, right, bottom;
} pending;

static void emit_pending(void) {
  if (pending.kind == 0) return;
  char line[96];
  int n = snprintf(line, sizeof line, "%c %lld %u %d %d\n", pending.kind, pending.ns, pending.drawable,
                   pending.right - pending.left, pending.bottom - pending.top);
  if (n > 0) (void)!write(log_fd, line, (size_t)n);
  pending.kind = 0;
}

static void note(char kind, uint32_t drawable, int x, int y, unsigned width, unsigned height) {
  if (log_fd < 0) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  pthread_mutex_lock(&pending_lock);
  if (pending.kind != 0 && pending.drawable != drawable) emit_pending();
  if (pending.kind == 0) {
    pending.kind = kind;
    pending.ns = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
    pending.drawable = drawable;
    pending.left = x, pending.top = y, pending.right = x + (int)width, pending.bottom = y + (int)height;
  } else {
    if (x < pending.left) pending.left = x;
    if (y < pending.top) pending.top = y;
    if (x + (int)width > pending.right) pending.right = x + (int)width;
    if (y + (int)height > pending.bottom) pending.bottom = y + (int)height;
  }
  pthread_mutex_unlock(&pending_lock);
}

// Qt opens its xcb plugin, and with it the xcb libraries, with local symbol
// scope, where RTLD_NEXT does not look: the library is then asked by name.
static void* next(const char* name, const char* library) {
  void* f = dlsym(RTLD_NEXT, name);
  if (f == NULL) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == NULL) handle = dlopen(library, RTLD_LAZY);
    if (handle != NULL) f = dlsym(handle, name);
  }
  if (f == NULL) {
    fprintf(stderr, "xput_shim: no %s\n", name);
    abort();
  }
  return f;
}

cookie_t xcb_shm_put_image(connection_t* c, uint32_t drawable, uint32_t gc, uint16_t total_width,
                           uint16_t total_height, uint16_t src_x, uint16_t src_y, uint16_t src_width,
                           uint16_t src_height, int16_t dst_x, int16_t dst_y, uint8_t depth, uint8_t format,
                           uint8_t send_event, uint32_t shmseg, uint32_t offset) {
  static cookie_t (*real)(connection_t*, uint32_t, uint32_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
                          uint16_t, int16_t, int16_t, uint8_t, uint8_t, uint8_t, uint32_t, uint32_t);
  if (real == NULL) real = next("xcb_shm_put_image", "libxcb-shm.so.0");
  note('S', drawable, dst_x, dst_y, src_width, src_height);
  return real(c, drawable, gc, total_width, total_height, src_x, src_y, src_width, src_height, dst_x, dst_y, depth,
              format, send_event, shmseg, offset);
}

cookie_t xcb_image_put(connection_t* c, uint32_t drawable, uint32_t gc, image_t* image, int16_t x, int16_t y,
                       uint8_t left_pad) {
  static cookie_t (*real)(connection_t*, uint32_t, uint32_t, image_t*, int16_t, int16_t, uint8_t);
  if (real == NULL) real = next("xcb_image_put", "libxcb-image.so.0");
  const struct image_head* head = (const struct image_head*)image;
  note('I', drawable, x, y, head->width, head->height);
  return real(c, drawable, gc, image, x, y, left_pad);
}

cookie_t xcb_copy_area(connection_t* c, uint32_t src, uint32_t dst, uint32_t gc, int16_t src_x, int16_t src_y,
                       int16_t dst_x, int16_t dst_y, uint16_t width, uint16_t height) {
  static cookie_t (*real)(connection_t*, uint32_t, uint32_t, uint32_t, int16_t, int16_t, int16_t, int16_t, uint16_t,
                          uint16_t);
  if (real == NULL) real = next("xcb_copy_area", "libxcb.so.1");
  note('C', dst, dst_x, dst_y, width, height);
  return real(c, src, dst, gc, src_x, src_y, dst_x, dst_y, width, height);
}

cookie_t xcb_put_image(connection_t* c, uint8_t format, uint32_t drawable, uint32_t gc, uint16_t width,
                       uint16_t height, int16_t dst_x, int16_t dst_y, uint8_t left_pad, uint8_t depth,
                       uint32_t data_len, const uint8_t* data) {
  static cookie_t (*real)(connection_t*, uint8_t, uint32_t, uint32_t, uint16_t, uint16_t, int16_t, int16_t, uint8_t,
                          uint8_t, uint32_t, const uint8_t*);
  if (real == NULL) real = next("xcb_put_image", "libxcb.so.1");
  note('P', drawable, dst_x, dst_y, width, height);
  return real(c, format, drawable, gc, width, height, dst_x, dst_y, left_pad, depth, data_len, data);
}

int xcb_flush(connection_t* c) {
  static int (*real)(connection_t*);
  if (real == NULL) real = next("xcb_flush", "libxcb.so.1");
  pthread_mutex_lock(&pending_lock);
  emit_pending();
  pthread_mutex_unlock(&pending_lock);
  return real(c);
}
