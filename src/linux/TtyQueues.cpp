#include "TtyQueues.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// One read or write of the thread moves at most this much: a tty hands over
// a few kilobytes at a time, and a chunk this size keeps up with 4,000,000
// baud without holding the lock long.
constexpr uint32_t kChunkBytes = 16384;

bool IsHangUpErrno(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

TtyQueues::~TtyQueues() {
    Stop();
}

bool TtyQueues::Start(int ttyFd, uint32_t inputBytes, uint32_t outputBytes) {
    Stop();
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) return false;
    fd = ttyFd;
    inputCapacity = inputBytes;
    outputCapacity = outputBytes;
    {
        std::lock_guard<std::mutex> guard(lock);
        input.Reset(inputBytes);
        output.Reset(outputBytes);
        overflowed = false;
        hungUp = false;
        stopping = false;
    }
    worker = std::thread([this] { Serve(); });
    return true;
}

void TtyQueues::Stop() {
    if (worker.joinable()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        Wake();
        worker.join();
    }
    if (wakeFd >= 0) close(wakeFd);
    wakeFd = -1;
    fd = -1;
}

uint32_t TtyQueues::Read(uint8_t* buffer, uint32_t length) {
    std::lock_guard<std::mutex> guard(lock);
    const uint32_t n = input.Peek(buffer, length);
    input.Drop(n);
    return n;
}

uint32_t TtyQueues::Write(const uint8_t* data, uint32_t length) {
    uint32_t taken = 0;
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        const bool wasIdle = output.Size() == 0;
        // An idle queue means the thread is not writing (it writes only what
        // the queue holds, and takes it out under this lock afterwards), so
        // the bytes may go to the tty at once: a key then reaches the line
        // without waiting for the thread to be woken and scheduled.
        if (wasIdle && !hungUp) taken = WriteNow(data, length);
        taken += output.Push(data + taken, length - taken);
        // The thread only watches for the tty's room while it has bytes to
        // give.
        wake = wasIdle && output.Size() > 0;
    }
    if (wake) Wake();
    return taken;
}

// What the tty takes without blocking; the caller holds the lock.
uint32_t TtyQueues::WriteNow(const uint8_t* data, uint32_t length) {
    const ssize_t n = write(fd, data, length);
    return n > 0 ? static_cast<uint32_t>(n) : 0;
}

void TtyQueues::PurgeInput() {
    std::lock_guard<std::mutex> guard(lock);
    input.Clear();
    ++inputPurges;
}

void TtyQueues::PurgeOutput() {
    std::lock_guard<std::mutex> guard(lock);
    output.Clear();
    ++outputPurges;
}

TtyQueues::Counts TtyQueues::TakeCounts() {
    std::lock_guard<std::mutex> guard(lock);
    Counts counts;
    counts.input = input.Size();
    counts.output = output.Size();
    counts.overflowed = overflowed;
    counts.hungUp = hungUp;
    overflowed = false;
    return counts;
}

bool TtyQueues::HungUp() {
    std::lock_guard<std::mutex> guard(lock);
    return hungUp;
}

// --- the thread ----------------------------------------------------------------

void TtyQueues::Serve() {
    for (;;) {
        bool wantOutput = false;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (stopping) return;
            wantOutput = output.Size() > 0;
        }
        WaitForWork(wantOutput);
    }
}

// Waits for the tty or a wake-up and serves what is ready.
void TtyQueues::WaitForWork(bool wantOutput) {
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        ended = hungUp;
    }
    // A hung-up tty reports POLLHUP without end: only a wake-up matters then.
    const short ttyEvents = ended ? 0 : static_cast<short>(POLLIN | (wantOutput ? POLLOUT : 0));
    pollfd fds[2] = {{ended ? -1 : fd, ttyEvents, 0}, {wakeFd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) return;
    if ((fds[1].revents & POLLIN) != 0) {
        uint64_t count = 0;
        (void)!read(wakeFd, &count, sizeof count);
    }
    const short ready = fds[0].revents;
    if (ready == 0) return;
    // Input still waiting is read before the hang-up counts, so that the
    // last bytes of a closing peer are not lost.
    const bool gotInput = (ready & POLLIN) != 0 && TakeInput();
    if ((ready & POLLOUT) != 0) GiveOutput();
    if ((ready & (POLLHUP | POLLERR | POLLNVAL)) != 0 && !gotInput) NoteHangUp();
}

// True when bytes came.
bool TtyQueues::TakeInput() {
    uint8_t chunk[kChunkBytes];
    uint64_t purges = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        purges = inputPurges;
    }
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) {
        if (n < 0 && IsHangUpErrno(errno)) NoteHangUp();
        return false;
    }
    std::lock_guard<std::mutex> guard(lock);
    // Bytes read across a purge arrived before it: they go with it.
    if (purges != inputPurges) return true;
    const uint32_t length = static_cast<uint32_t>(n);
    if (input.Push(chunk, length) < length) overflowed = true;
    return true;
}

void TtyQueues::GiveOutput() {
    uint8_t chunk[kChunkBytes];
    uint32_t length = 0;
    uint64_t purges = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        length = output.Peek(chunk, sizeof chunk);
        purges = outputPurges;
    }
    if (length == 0) return;
    const ssize_t n = write(fd, chunk, length);
    if (n < 0) {
        if (IsHangUpErrno(errno)) NoteHangUp();
        return;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (purges == outputPurges) output.Drop(static_cast<uint32_t>(n));
}

void TtyQueues::NoteHangUp() {
    std::lock_guard<std::mutex> guard(lock);
    hungUp = true;
}

void TtyQueues::Wake() {
    const uint64_t one = 1;
    (void)!write(wakeFd, &one, sizeof one);
}

// --- the ring ------------------------------------------------------------------

void TtyQueues::Ring::Reset(uint32_t capacity) {
    bytes.assign(capacity, 0);
    head = size = 0;
}

uint32_t TtyQueues::Ring::Push(const uint8_t* data, uint32_t length) {
    const uint32_t capacity = static_cast<uint32_t>(bytes.size());
    const uint32_t n = length < Room() ? length : Room();
    uint32_t tail = capacity == 0 ? 0 : (head + size) % capacity;
    for (uint32_t done = 0; done < n;) {
        const uint32_t run = (n - done) < (capacity - tail) ? (n - done) : (capacity - tail);
        std::copy(data + done, data + done + run, bytes.begin() + tail);
        done += run;
        tail = (tail + run) % capacity;
    }
    size += n;
    return n;
}

uint32_t TtyQueues::Ring::Peek(uint8_t* out, uint32_t length) const {
    const uint32_t capacity = static_cast<uint32_t>(bytes.size());
    const uint32_t n = length < size ? length : size;
    uint32_t from = head;
    for (uint32_t done = 0; done < n;) {
        const uint32_t run = (n - done) < (capacity - from) ? (n - done) : (capacity - from);
        std::copy(bytes.begin() + from, bytes.begin() + from + run, out + done);
        done += run;
        from = (from + run) % capacity;
    }
    return n;
}

void TtyQueues::Ring::Drop(uint32_t length) {
    const uint32_t n = length < size ? length : size;
    if (n == 0) return;
    head = (head + n) % static_cast<uint32_t>(bytes.size());
    size -= n;
}
