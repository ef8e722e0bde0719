#include "runnersandbox.h"

#include "palmfonts.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <ctime>

#if defined(__x86_64__) && __has_include(<linux/seccomp.h>)
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#define RUNNER_HAS_SECCOMP 1
#endif

#if __has_include(<linux/landlock.h>)
#include <linux/landlock.h>
#define RUNNER_HAS_LANDLOCK 1
#endif

namespace RunnerSandbox {

namespace {

// Address space beyond what the runner has mapped when it starts: the
// program's 256 MB, its thread and room for the frames.
constexpr rlim_t SpareAddressSpace = rlim_t(768) << 20;
constexpr rlim_t MaxFileSize = rlim_t(64) << 20;
constexpr rlim_t MaxOpenFiles = 128;

void limit(int resource, rlim_t value)
{
    rlimit current{};
    if (::getrlimit(resource, &current) != 0)
        return;
    if (current.rlim_max != RLIM_INFINITY && value > current.rlim_max)
        value = current.rlim_max;
    current.rlim_cur = value;
    current.rlim_max = value;
    ::setrlimit(resource, &current);
}

rlim_t mappedNow()
{
    unsigned long pages = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

#ifdef RUNNER_HAS_LANDLOCK
void allow(int ruleset, const QByteArray &folder, __u64 access)
{
    const int fd = ::open(folder.constData(), O_PATH | O_CLOEXEC | O_DIRECTORY);
    if (fd < 0)
        return;
    landlock_path_beneath_attr rule{};
    rule.allowed_access = access;
    rule.parent_fd = fd;
    ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    ::close(fd);
}

void wallIn(const QByteArray &storage, const QList<QByteArray> &writableFolders)
{
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1)
        return; // no Landlock in this kernel: the library's checks stand alone
    __u64 handled =
        LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
        LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_DIR |
        LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
        LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_MAKE_SOCK |
        LANDLOCK_ACCESS_FS_MAKE_FIFO | LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    // Renames inside a folder (QSaveFile's, the program's) need REFER from
    // the second version on.
    const __u64 refer = abi >= 2 ? LANDLOCK_ACCESS_FS_REFER : 0;
    handled |= refer;
    landlock_ruleset_attr attr{};
    attr.handled_access_fs = handled;
    const int ruleset =
        static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attr, sizeof attr, 0));
    if (ruleset < 0)
        return;
    allow(ruleset, storage,
          LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
              LANDLOCK_ACCESS_FS_READ_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
              LANDLOCK_ACCESS_FS_MAKE_REG | refer);
    // The handheld's fonts are read again by each thread that draws text
    // (Qt keeps font engines per thread): their folders stay readable.
    for (const char *fonts : {"/usr/share/fonts", "/usr/local/share/fonts"})
        allow(ruleset, fonts, LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR);
    for (const QByteArray &folder : writableFolders)
        allow(ruleset, folder,
              // QSaveFile opens the folder itself read-write (O_TMPFILE).
              LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_READ_FILE |
                  LANDLOCK_ACCESS_FS_MAKE_REG | LANDLOCK_ACCESS_FS_REMOVE_FILE | refer);
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0)
        ::syscall(SYS_landlock_restrict_self, ruleset, 0);
    ::close(ruleset);
}
#endif

#ifdef RUNNER_HAS_SECCOMP
// What a program on the handheld never needs and an escape would: starting
// programs, the network, other processes' memory, namespaces and mounts,
// kernel modules, symbolic links and device nodes. Refused with EPERM;
// everything else is allowed (QSaveFile links its finished file in place).
void refuseSystemCalls()
{
    const unsigned refused[] = {
        SYS_execve,
        SYS_execveat,
        SYS_socket,
        SYS_connect,
        SYS_bind,
        SYS_listen,
        SYS_accept,
        SYS_accept4,
        SYS_ptrace,
        SYS_process_vm_readv,
        SYS_process_vm_writev,
        SYS_mount,
        SYS_umount2,
        SYS_pivot_root,
        SYS_chroot,
        SYS_setns,
        SYS_unshare,
        SYS_keyctl,
        SYS_add_key,
        SYS_request_key,
        SYS_bpf,
        SYS_perf_event_open,
        SYS_kexec_load,
        SYS_init_module,
        SYS_finit_module,
        SYS_delete_module,
        SYS_symlink,
        SYS_symlinkat,
        SYS_mknod,
        SYS_mknodat,
    };
    constexpr unsigned count = sizeof refused / sizeof refused[0];
    sock_filter program[4 + 2 * count + 1];
    unsigned n = 0;
    // Another architecture's calls have other numbers: refused outright.
    program[n++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch));
    program[n++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0);
    program[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS);
    program[n++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr));
    for (unsigned call : refused) {
        program[n++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1);
        program[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM);
    }
    program[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    sock_fprog filter{static_cast<unsigned short>(n), program};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0)
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter);
}
#endif

} // namespace

void confine(const QByteArray &storage, const QList<QByteArray> &writableFolders)
{
    // What is read once and kept: the font database and the time zone.
    for (int font : {0, 1, 2, 7})
        PalmFonts::glyph(font, 'A');
    ::tzset();

    // A file past the size limit is a failed write, not a killed process.
    std::signal(SIGXFSZ, SIG_IGN);
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_FSIZE, MaxFileSize);
    limit(RLIMIT_NOFILE, MaxOpenFiles);
    limit(RLIMIT_AS, mappedNow() + SpareAddressSpace);
#ifdef RUNNER_HAS_LANDLOCK
    wallIn(storage, writableFolders);
#else
    Q_UNUSED(storage);
    Q_UNUSED(writableFolders);
#endif
#ifdef RUNNER_HAS_SECCOMP
    refuseSystemCalls();
#endif
}

} // namespace RunnerSandbox
