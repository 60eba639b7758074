// Counting of a servo stream's answers and the duration histogram.

#include "RobotSDK/service/servoanswers.h"

#include <algorithm>
#include <cmath>

DurationHistogram::DurationHistogram() : m_buckets(new std::atomic<uint64_t>[BUCKETS + 1]) {
    reset();
}

void DurationHistogram::reset() {
    for (int i = 0; i <= BUCKETS; ++i) m_buckets[i].store(0, std::memory_order_relaxed);
    m_count.store(0, std::memory_order_relaxed);
    m_maxNsec.store(0, std::memory_order_relaxed);
}

void DurationHistogram::add(int64_t nsec) {
    nsec = std::max<int64_t>(nsec, 0);
    const int64_t bucket = std::min<int64_t>(nsec / BUCKET_NSEC, BUCKETS);
    m_buckets[bucket].fetch_add(1, std::memory_order_relaxed);
    m_count.fetch_add(1, std::memory_order_relaxed);
    if (nsec > m_maxNsec.load(std::memory_order_relaxed))
        m_maxNsec.store(nsec, std::memory_order_relaxed);
}

double DurationHistogram::quantileSec(double q) const {
    const uint64_t count = m_count.load(std::memory_order_relaxed);
    if (count == 0) return 0.0;
    const double maxSeconds = maxSec();
    const auto rank =
        std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(q * static_cast<double>(count))));
    uint64_t seen = 0;
    for (int i = 0; i < BUCKETS; ++i) {
        seen += m_buckets[i].load(std::memory_order_relaxed);
        if (seen >= rank)
            return std::min(static_cast<double>((i + 1) * BUCKET_NSEC) * 1e-9, maxSeconds);
    }
    return maxSeconds;
}

double DurationHistogram::maxSec() const {
    return static_cast<double>(m_maxNsec.load(std::memory_order_relaxed)) * 1e-9;
}

void ServoAnswers::begin() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts = Counts{};
    m_hasRefusal = false;
    m_refusalCode = 0;
    m_refusalText.clear();
    m_sendTimes.assign(RING_SIZE, 0);
    m_answerTimes.reset();
    m_active.store(true, std::memory_order_release);
}

void ServoAnswers::end() { m_active.store(false, std::memory_order_release); }

void ServoAnswers::noteSend(int64_t nowNsec) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sendTimes[m_counts.sent % RING_SIZE] = nowNsec;
    ++m_counts.sent;
}

void ServoAnswers::unnoteSend() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_counts.sent > m_counts.answered) --m_counts.sent;
}

bool ServoAnswers::noteAnswer(int code, const std::string& text, int64_t nowNsec) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_active.load(std::memory_order_relaxed)) return false;
    // An answer beyond the targets sent answers nothing of this stream.
    if (m_counts.answered >= m_counts.sent) return true;
    m_answerTimes.add(nowNsec - m_sendTimes[m_counts.answered % RING_SIZE]);
    ++m_counts.answered;
    if (code != 0) {
        ++m_counts.refused;
        if (!m_hasRefusal) {
            m_hasRefusal = true;
            m_refusalCode = code;
            m_refusalText = text;
        }
    }
    return true;
}

ServoAnswers::Blocker ServoAnswers::blocker(int64_t nowNsec, int64_t answerTimeoutNsec, int& code,
                                            std::string& text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hasRefusal) {
        code = m_refusalCode;
        text = m_refusalText;
        return Blocker::Refused;
    }
    const uint64_t inFlight = m_counts.sent - m_counts.answered;
    if (inFlight == 0) return Blocker::None;
    if (inFlight >= RING_SIZE) return Blocker::Overdue;
    const int64_t oldest = m_sendTimes[m_counts.answered % RING_SIZE];
    return nowNsec - oldest > answerTimeoutNsec ? Blocker::Overdue : Blocker::None;
}

ServoAnswers::Counts ServoAnswers::counts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}
