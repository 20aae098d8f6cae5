#pragma once

// Stands in for the GUI thread's event loop in the engine tests: the poster
// queues calls (from any thread), the test thread runs them.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velto::testing {

class CallQueue {
public:
    using Call = std::function<void()>;

    // A poster for CVideoEngine::AttachEvents.
    std::function<void(Call)> MakePoster() {
        return [this](Call call) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_calls.push_back(std::move(call));
        };
    }

    // Runs the calls queued so far.
    void RunPending() {
        std::deque<Call> batch;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            batch.swap(m_calls);
        }
        for (auto& call : batch)
            call();
    }

    // Runs queued calls until `done` holds or `ms` have passed.
    bool PumpUntil(const std::function<bool()>& done, int ms) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            RunPending();
            if (done())
                return true;
            if (Clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Runs queued calls for `ms`.
    void PumpFor(int ms) {
        PumpUntil([] { return false; }, ms);
    }

private:
    std::mutex m_mutex;
    std::deque<Call> m_calls;
};

}  // namespace velto::testing
