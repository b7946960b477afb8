#include "progress.h"

#include "cli.h"

#include <cstdio>

namespace orsactl {

Progress::Progress(int total) : m_shown(stderrIsTerminal()), m_total(total > 0 ? total : 1)
{
    draw();
}

Progress::~Progress()
{
    if (m_shown) {
        std::fprintf(stderr, "\r%60s\r", "");
        std::fflush(stderr);
    }
}

void Progress::step()
{
    ++m_done;
    draw();
}

void Progress::draw() const
{
    if (!m_shown)
        return;
    constexpr int width = 40;
    const int filled = qMin(width, m_done * width / m_total);
    std::fprintf(stderr, "\r[%s%s] %d/%d", QByteArray(filled, '#').constData(),
                 QByteArray(width - filled, '.').constData(), m_done, m_total);
    std::fflush(stderr);
}

} // namespace orsactl
