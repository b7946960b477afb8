// A progress bar on stderr, drawn only when stderr is a terminal.
#ifndef ORSACTL_PROGRESS_H
#define ORSACTL_PROGRESS_H

namespace orsactl {

class Progress
{
public:
    explicit Progress(int total);
    ~Progress(); // clears the bar
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void step();

private:
    void draw() const;
    bool m_shown;
    int m_total;
    int m_done = 0;
};

} // namespace orsactl

#endif // ORSACTL_PROGRESS_H
