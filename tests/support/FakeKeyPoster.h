#pragma once

#include "palette/KeyPoster.h"

#include <QString>

#include <vector>

namespace tavolin::test {

// Records every key combination it is asked to post, with the process; failNext() makes the next post fail
// the way a process without a window does.
class FakeKeyPoster final : public KeyPoster
{
public:
    struct Post
    {
        int32_t pid;
        Shortcut shortcut;
    };

    bool post(int32_t pid, const Shortcut &shortcut) override
    {
        m_posts.push_back({pid, shortcut});
        if (m_failNext) {
            m_failNext = false;
            return false;
        }
        return true;
    }
    void failNext() { m_failNext = true; }
    const std::vector<Post> &posts() const { return m_posts; }

private:
    std::vector<Post> m_posts;
    bool m_failNext = false;
};

} // namespace tavolin::test
