#pragma once
// A change announced with what changed. Whatever shows or follows the thing connects itself;
// the connection ends when its handle goes, so a window that closes stops listening by
// itself. Signals are raised and connected on the GUI thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tqx {

// Ends a connection when it goes out of scope (or on disconnect()).
class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> end) : end_(std::move(end)) {}
    Connection(Connection&& other) noexcept : end_(std::exchange(other.end_, nullptr)) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            disconnect();
            end_ = std::exchange(other.end_, nullptr);
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { disconnect(); }

    void disconnect() {
        if (auto end = std::exchange(end_, nullptr)) end();
    }

private:
    std::function<void()> end_;
};

template <typename... Args>
class Signal {
public:
    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Connection connect(std::function<void(Args...)> slot) {
        auto entry = std::make_shared<Entry>(Entry{std::move(slot), true});
        slots_->push_back(entry);
        std::weak_ptr<std::vector<std::shared_ptr<Entry>>> list = slots_;
        return Connection([list, entry] {
            entry->live = false;
            if (auto l = list.lock()) std::erase(*l, entry);
        });
    }

    // Calls every slot connected now. A slot disconnected by an earlier one during this call
    // is not called; one connected meanwhile waits for the next change.
    void operator()(Args... args) const {
        const auto now = *slots_;
        for (const auto& entry : now)
            if (entry->live) entry->slot(args...);
    }

private:
    struct Entry {
        std::function<void(Args...)> slot;
        bool live = true;
    };
    std::shared_ptr<std::vector<std::shared_ptr<Entry>>> slots_ =
        std::make_shared<std::vector<std::shared_ptr<Entry>>>();
};

}  // namespace tqx
