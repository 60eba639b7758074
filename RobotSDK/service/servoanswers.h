#ifndef SERVOANSWERS_H
#define SERVOANSWERS_H

// The control core's side of a servo stream: the targets of a stream are
// written without waiting for their answers (RobotControlServices::
// sendWithoutAnswer), and the receive thread hands each answer of
// CommunicationType_SetRobotPosData2Canbus to ServoAnswers while a stream
// runs. It counts them, keeps the first refusal for the stream's next send,
// and measures the time from each send to its answer: the controller answers
// in order, so answer number k belongs to target number k, whose send time
// sits in a ring indexed by that number.
//
// Threads
//   - The thread that drives the stream: begin, end, noteSend, unnoteSend,
//     blocker.
//   - The receive thread: noteAnswer.
//   - Any thread: active, counts, answerTimes.
// Locks: m_mutex, a leaf lock held for a few instructions (never across a
// send or a callback), so the receive thread never waits for the application.
// The histograms are relaxed atomics, read without a lock.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Durations in buckets of 10 microseconds up to 100 ms, and one overflow
// bucket, for percentiles at 10 microsecond resolution. One writer at a time;
// readers on any thread may see a sample in one figure and not yet in another.
class DurationHistogram {
public:
    static constexpr int64_t BUCKET_NSEC = 10000;
    static constexpr int BUCKETS = 10000;  // 100 ms; one more bucket for longer ones

    DurationHistogram();
    // Forgets every sample.
    void reset();
    // One sample, in nanoseconds (a negative one counts as 0).
    void add(int64_t nsec);
    // The q-quantile (0 < q <= 1) in seconds: the upper edge of the bucket
    // that holds it, at most the largest sample (the largest sample itself
    // when it lies in the overflow bucket); 0 without samples.
    double quantileSec(double q) const;
    double maxSec() const;

private:
    std::unique_ptr<std::atomic<uint64_t>[]> m_buckets;
    std::atomic<uint64_t> m_count{0};
    std::atomic<int64_t> m_maxNsec{0};
};

class ServoAnswers {
public:
    // Send times kept for answers still to come. A stream never has more
    // targets in flight: once the oldest answer is overdue (at most 10 s
    // late, i.e. 20,000 targets at the shortest period) the next send fails.
    static constexpr uint64_t RING_SIZE = 32768;

    // Why the next target must not be sent.
    enum class Blocker {
        None,
        Refused,  // the controller refused a target of this stream
        Overdue   // the oldest unanswered target waited longer than the time-out
    };

    struct Counts {
        uint64_t sent = 0;
        uint64_t answered = 0;
        uint64_t refused = 0;
    };

    // Starts counting the answers of a new stream; forgets the figures and
    // the refusal of the previous one.
    void begin();
    // Stops counting (answers are then left to the request engine); the
    // figures stay until the next begin.
    void end();
    bool active() const { return m_active.load(std::memory_order_acquire); }

    // A target is about to be written, at nowNsec (steady clock).
    void noteSend(int64_t nowNsec);
    // The target noted last could not be written: it gets no answer.
    void unnoteSend();
    // An answer with the controller's code and text, received at nowNsec.
    // False when no stream counts answers.
    bool noteAnswer(int code, const std::string& text, int64_t nowNsec);
    // What stands in the way of the next send at nowNsec; for Refused, the
    // controller's code and text of the first refusal.
    Blocker blocker(int64_t nowNsec, int64_t answerTimeoutNsec, int& code, std::string& text) const;

    Counts counts() const;
    const DurationHistogram& answerTimes() const { return m_answerTimes; }

private:
    mutable std::mutex m_mutex;
    std::atomic<bool> m_active{false};
    // Under m_mutex.
    Counts m_counts;
    bool m_hasRefusal = false;
    int m_refusalCode = 0;
    std::string m_refusalText;
    std::vector<int64_t> m_sendTimes;  // RING_SIZE once a stream began
    DurationHistogram m_answerTimes;   // written by the receive thread only
};

#endif  // SERVOANSWERS_H
