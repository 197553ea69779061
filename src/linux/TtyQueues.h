#pragma once
// The two queues a serial driver keeps for a tty, and the thread that serves
// them. A tty shows at most a few kilobytes of input and takes a few of
// output; the window's thread must neither wait for the line nor leave it
// unread while a box stands. So a thread of this class fills the input queue
// from the tty as bytes arrive and drains the output queue into the tty as it
// takes them; the window's thread only copies to and from memory.
//
// A byte that arrives while the input queue is full is dropped and reported
// as an overflow, as a driver does. A tty that hangs up (an unplugged
// adapter, a closed pty end) stops the thread's work and is reported by the
// next Counts. Everything shared with the thread is behind one mutex.
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class TtyQueues {
  public:
    TtyQueues() = default;
    ~TtyQueues();
    TtyQueues(const TtyQueues&) = delete;
    TtyQueues& operator=(const TtyQueues&) = delete;

    // Serves fd until Stop; the descriptor must be non-blocking and stays
    // the caller's. False when the thread or its wake-up could not be made.
    bool Start(int fd, uint32_t inputCapacity, uint32_t outputCapacity);
    void Stop();
    bool Running() const { return worker.joinable(); }
    uint32_t InputCapacity() const { return inputCapacity; }
    uint32_t OutputCapacity() const { return outputCapacity; }

    // Copies up to length waiting bytes out; the number copied.
    uint32_t Read(uint8_t* buffer, uint32_t length);
    // Queues as many bytes as there is room for; the number queued.
    uint32_t Write(const uint8_t* data, uint32_t length);
    void PurgeInput();
    void PurgeOutput();

    struct Counts {
        uint32_t input = 0;
        uint32_t output = 0;
        bool overflowed = false;  // input was lost since the last Counts
        bool hungUp = false;
    };
    // The overflow is reported once.
    Counts TakeCounts();
    bool HungUp();

  private:
    // A ring of fixed capacity, allocated when the queues start.
    class Ring {
      public:
        void Reset(uint32_t capacity);
        uint32_t Size() const { return size; }
        uint32_t Room() const { return static_cast<uint32_t>(bytes.size()) - size; }
        uint32_t Push(const uint8_t* data, uint32_t length);
        uint32_t Peek(uint8_t* out, uint32_t length) const;
        void Drop(uint32_t length);
        void Clear() { head = size = 0; }

      private:
        std::vector<uint8_t> bytes;
        uint32_t head = 0;
        uint32_t size = 0;
    };

    uint32_t WriteNow(const uint8_t* data, uint32_t length);
    void Serve();
    void WaitForWork(bool wantOutput);
    bool TakeInput();
    void GiveOutput();
    void NoteHangUp();
    void Wake();

    int fd = -1;
    int wakeFd = -1;
    uint32_t inputCapacity = 0;
    uint32_t outputCapacity = 0;
    std::thread worker;

    std::mutex lock;
    Ring input;
    Ring output;
    // Bumped by each purge, so that bytes a read or write had in hand across
    // the purge are not put back into a queue that was emptied meanwhile.
    uint64_t inputPurges = 0;
    uint64_t outputPurges = 0;
    bool overflowed = false;
    bool hungUp = false;
    bool stopping = false;
};
