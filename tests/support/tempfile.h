// A text file in a fresh temporary directory, removed with the object: the
// track-file tests write their inputs through it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace tevo_test {

class TempFile {
public:
    explicit TempFile(const std::string& text) {
        char dir[] = "/tmp/tevo-test-XXXXXX";
        const char* made = ::mkdtemp(dir);
        m_dir = made != nullptr ? made : "/tmp";
        m_path = m_dir + "/track.txt";
        std::ofstream(m_path) << text;
    }
    ~TempFile() {
        std::remove(m_path.c_str());
        if (m_dir != "/tmp") ::rmdir(m_dir.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* path() const { return m_path.c_str(); }

private:
    std::string m_dir, m_path;
};

}  // namespace tevo_test
