/* A tree no walk can finish: a tiny read-only FUSE file system spoken straight
 * over /dev/fuse (no library needed) in which every directory holds two more,
 * d0 and d1, 62 levels deep (2^62 directories, two rows for each listing, so
 * the rows of a long walk stay few). A scan of it ends only when
 * it is cancelled, and a cancelled one has always left rows out.
 *   endlessfs MOUNT_POINT SECONDS     (as root; runs until unmounted, or for
 * SECONDS at most, then detaches the mount so that nothing left behind can
 * walk into it) */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/fuse.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

enum { kChildren = 2, kMaxDepth = 62 };

static int fuse_fd;

/* A node's id spells its path: a leading 1 bit, then one bit per level (the
 * child's number); the root is 1. */
static int depth_of(uint64_t node) {
    int depth = 0;
    while (node > 1) node >>= 1, ++depth;
    return depth;
}

static void reply(uint64_t unique, int error, const void* data, size_t size) {
    char buffer[8192];
    struct fuse_out_header* out = (struct fuse_out_header*)buffer;
    if (size > sizeof buffer - sizeof *out) size = 0, error = -EIO;
    out->len = (uint32_t)(sizeof *out + size);
    out->error = error;
    out->unique = unique;
    if (size) memcpy(buffer + sizeof *out, data, size);
    if (write(fuse_fd, buffer, out->len) < 0 && errno != ENOENT) perror("endlessfs: write");
}

static void fill_attr(uint64_t node, struct fuse_attr* attr) {
    memset(attr, 0, sizeof *attr);
    attr->ino = node;
    attr->mode = S_IFDIR | 0755;
    attr->nlink = 2;
    attr->blksize = 4096;
    attr->atime = attr->mtime = attr->ctime = (uint64_t)time(NULL);
}

static uint64_t child_of(uint64_t parent, const char* name) {
    if (depth_of(parent) >= kMaxDepth || name[0] != 'd') return 0;
    char* end = NULL;
    long i = strtol(name + 1, &end, 10);
    if (*end || end == name + 1 || i < 0 || i >= kChildren || (i > 0 && name[1] == '0')) return 0;
    return parent << 1 | (uint64_t)i;
}

static size_t add_dirent(char* at, uint64_t ino, uint64_t off, const char* name) {
    struct fuse_dirent* d = (struct fuse_dirent*)at;
    d->ino = ino;
    d->off = off;
    d->namelen = (uint32_t)strlen(name);
    d->type = DT_DIR;
    memcpy(d->name, name, d->namelen);
    size_t size = FUSE_DIRENT_SIZE(d);
    memset(at + FUSE_NAME_OFFSET + d->namelen, 0, size - FUSE_NAME_OFFSET - d->namelen);
    return size;
}

static void read_dir(uint64_t unique, uint64_t node, const struct fuse_read_in* in) {
    const int children = depth_of(node) >= kMaxDepth ? 0 : kChildren;
    char buffer[8192];
    size_t size = 0, limit = in->size < sizeof buffer ? in->size : sizeof buffer;
    for (uint64_t off = in->offset; off < (uint64_t)children + 2; ++off) {
        char name[16];
        uint64_t ino = node;
        if (off == 0)
            strcpy(name, ".");
        else if (off == 1)
            strcpy(name, ".."), ino = node > 1 ? node >> 1 : 1;
        else
            snprintf(name, sizeof name, "d%d", (int)(off - 2)), ino = node << 1 | (off - 2);
        if (size + FUSE_DIRENT_ALIGN(FUSE_NAME_OFFSET + strlen(name)) > limit) break;
        size += add_dirent(buffer + size, ino, off + 1, name);
    }
    reply(unique, 0, buffer, size);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: endlessfs MOUNT_POINT SECONDS\n");
        return 2;
    }
    const char* mount_point = argv[1];
    fuse_fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse_fd < 0) {
        perror("endlessfs: /dev/fuse");
        return 1;
    }
    char options[128];
    snprintf(options, sizeof options, "fd=%d,rootmode=40000,user_id=0,group_id=0,allow_other", fuse_fd);
    if (mount("endlessfs", mount_point, "fuse.endlessfs", MS_NOSUID | MS_NODEV | MS_RDONLY, options) != 0) {
        perror("endlessfs: mount");
        return 1;
    }
    /* A lazy unmount once the time is up; the read then fails with ENODEV. */
    const long seconds = atol(argv[2]);
    const pid_t timer = fork();
    if (timer == 0) {
        close(fuse_fd);
        sleep((unsigned)(seconds > 0 ? seconds : 1));
        umount2(mount_point, MNT_DETACH);
        _exit(0);
    }
    static char request[FUSE_MIN_READ_BUFFER + 65536];
    for (;;) {
        ssize_t got = read(fuse_fd, request, sizeof request);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ENOENT) continue;
            kill(timer, SIGKILL);
            return errno == ENODEV ? 0 : 1; /* ENODEV: unmounted */
        }
        const struct fuse_in_header* in = (const struct fuse_in_header*)request;
        const char* arg = request + sizeof *in;
        switch (in->opcode) {
            case FUSE_INIT: {
                const struct fuse_init_in* init = (const struct fuse_init_in*)arg;
                struct fuse_init_out out;
                memset(&out, 0, sizeof out);
                out.major = FUSE_KERNEL_VERSION;
                out.minor = init->minor < FUSE_KERNEL_MINOR_VERSION ? init->minor : FUSE_KERNEL_MINOR_VERSION;
                out.max_readahead = init->max_readahead;
                out.max_background = 4;
                out.congestion_threshold = 3;
                out.max_write = 4096;
                out.time_gran = 1;
                reply(in->unique, 0, &out, out.minor < 23 ? FUSE_COMPAT_22_INIT_OUT_SIZE : sizeof out);
                break;
            }
            case FUSE_LOOKUP: {
                uint64_t node = child_of(in->nodeid, arg);
                if (!node) {
                    reply(in->unique, -ENOENT, NULL, 0);
                    break;
                }
                struct fuse_entry_out out;
                memset(&out, 0, sizeof out);
                out.nodeid = node;
                out.entry_valid = out.attr_valid = 1;
                fill_attr(node, &out.attr);
                reply(in->unique, 0, &out, sizeof out);
                break;
            }
            case FUSE_GETATTR: {
                struct fuse_attr_out out;
                memset(&out, 0, sizeof out);
                out.attr_valid = 1;
                fill_attr(in->nodeid, &out.attr);
                reply(in->unique, 0, &out, sizeof out);
                break;
            }
            case FUSE_OPENDIR: {
                struct fuse_open_out out;
                memset(&out, 0, sizeof out);
                reply(in->unique, 0, &out, sizeof out);
                break;
            }
            case FUSE_READDIR:
                read_dir(in->unique, in->nodeid, (const struct fuse_read_in*)arg);
                break;
            case FUSE_STATFS: {
                struct fuse_statfs_out out;
                memset(&out, 0, sizeof out);
                out.st.bsize = out.st.frsize = 4096;
                out.st.namelen = 255;
                reply(in->unique, 0, &out, sizeof out);
                break;
            }
            case FUSE_RELEASEDIR:
            case FUSE_RELEASE:
            case FUSE_FLUSH:
            case FUSE_FSYNCDIR:
            case FUSE_ACCESS:
                reply(in->unique, 0, NULL, 0);
                break;
            case FUSE_FORGET:
            case FUSE_BATCH_FORGET:
            case FUSE_INTERRUPT:
                break;  // no reply is expected
            case FUSE_DESTROY:
                reply(in->unique, 0, NULL, 0);
                kill(timer, SIGKILL);
                return 0;
            case FUSE_OPEN:
            case FUSE_MKDIR:
            case FUSE_CREATE:
            case FUSE_MKNOD:
            case FUSE_UNLINK:
            case FUSE_RMDIR:
            case FUSE_RENAME:
            case FUSE_SETATTR:
                reply(in->unique, in->opcode == FUSE_OPEN ? -EISDIR : -EROFS, NULL, 0);
                break;
            default:
                reply(in->unique, -ENOSYS, NULL, 0);
                break;
        }
    }
}
