#include "strategy/worker_stack.h"

#include <link.h>
#include <pthread.h>
#include <unistd.h>

namespace {

std::size_t page_size() {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

std::size_t round_up(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

int add_tls_segment(dl_phdr_info* module, std::size_t, void* total) {
    for (ElfW(Half) k = 0; k < module->dlpi_phnum; ++k) {
        const ElfW(Phdr)& segment = module->dlpi_phdr[k];
        if (segment.p_type == PT_TLS) {
            const std::size_t align = segment.p_align > 0 ? segment.p_align : 1;
            *static_cast<std::size_t*>(total) += round_up(segment.p_memsz, align);
        }
    }
    return 0;
}

// Thread-local storage of every module loaded so far: the C library carves
// it, per thread, out of the top of the thread's stack.
std::size_t static_tls_bytes() {
    std::size_t total = 0;
    dl_iterate_phdr(add_tls_segment, &total);
    return total;
}

}  // namespace

std::size_t worker_stack_size() {
    return round_up(WORKER_STACK_BYTES + static_tls_bytes(), page_size());
}

bool use_worker_stack() {
    pthread_attr_t attributes;
    if (pthread_getattr_default_np(&attributes) != 0) {
        return false;
    }
    // An overflow must fault on a guard page, never run on into other memory.
    std::size_t guard = 0;
    const bool set = pthread_attr_getguardsize(&attributes, &guard) == 0 &&
                     pthread_attr_setguardsize(&attributes,
                                               guard < page_size() ? page_size() : guard) == 0 &&
                     pthread_attr_setstacksize(&attributes, worker_stack_size()) == 0 &&
                     pthread_setattr_default_np(&attributes) == 0;
    pthread_attr_destroy(&attributes);
    return set;
}
