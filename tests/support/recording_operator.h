// An Operator that records everything the core says.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/operator.h"

namespace vq::test {

class RecordingOperator final : public Operator {
  public:
    struct Message {
        std::string text, title;
    };

    void MessageBox(std::string_view text, std::string_view title) override {
        std::lock_guard lock(m_);
        messages_.push_back({std::string(text), std::string(title)});
    }
    void SetWindowTitle(std::string_view title) override {
        std::lock_guard lock(m_);
        titles_.emplace_back(title);
    }
    void SetStatus(std::string_view item, std::string_view text) override {
        std::lock_guard lock(m_);
        statuses_.emplace_back(std::string(item), std::string(text));
    }
    void PictureReady() override { pictures_.fetch_add(1); }
    void StateChanged() override { state_changes_.fetch_add(1); }
    std::vector<Message> messages() const {
        std::lock_guard lock(m_);
        return messages_;
    }
    std::vector<std::string> titles() const {
        std::lock_guard lock(m_);
        return titles_;
    }
    std::vector<std::pair<std::string, std::string>> statuses() const {
        std::lock_guard lock(m_);
        return statuses_;
    }
    int pictures() const { return pictures_.load(); }
    int state_changes() const { return state_changes_.load(); }

  private:
    mutable std::mutex m_;
    std::vector<Message> messages_;
    std::vector<std::string> titles_;
    std::vector<std::pair<std::string, std::string>> statuses_;
    std::atomic<int> pictures_{0};
    std::atomic<int> state_changes_{0};
};

}  // namespace vq::test
