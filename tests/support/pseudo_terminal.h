// A pseudo-terminal for tests of what the installer does on a real terminal: its foreground and
// background, and what a person types ahead. The test holds the master side and plays the person.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace testing_support {

// A master side and a slave side, both closed with the object. Echo is off, so that what is read from the
// master is only what the program wrote; input stays in canonical mode, one line per read.
class pseudo_terminal {
  public:
    pseudo_terminal();  // throws std::runtime_error when no pseudo-terminal can be had
    ~pseudo_terminal();
    pseudo_terminal(const pseudo_terminal&) = delete;
    pseudo_terminal& operator=(const pseudo_terminal&) = delete;

    int master() const { return master_; }

    // For a forked child: a new session whose controlling terminal is the slave, its process group the
    // foreground one, and the master closed. Returns the slave's descriptor, or -1.
    int make_controlling() const;

    // Forks a child that makes the terminal controlling and runs `session` with the slave's descriptor;
    // `session` ends the child (exec or _exit), and the child exits 120 when the terminal cannot be made
    // controlling. The slave is then the child's alone, so that reading the master ends when the child's
    // last descriptor of it closes. Returns the child's process id (-1 when fork fails).
    pid_t start_session(const std::function<void(int slave)>& session);

    // Typing: writes `keys` to the master in one write.
    void type(const std::string& keys) const;

    // Appends what the program writes to `seen` until `text` appears in it (true), or until every slave
    // descriptor is closed or `timeout_seconds` pass (false). With an empty `text`, reads to the end.
    bool read_until(const std::string& text, std::string& seen, int timeout_seconds = 60) const;

  private:
    int master_ = -1;
    int slave_ = -1;
};

}  // namespace testing_support
