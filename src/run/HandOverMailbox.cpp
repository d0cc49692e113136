#include "HandOverMailbox.h"

#include <utility>

void CopyDisplayFields(const korvel::Model& from, korvel::Model& to) {
    to.data = from.data;
    to.params = from.params;
    to.state.Tau = from.state.Tau;
    to.state.Tem = from.state.Tem;
    to.state.SMean = from.state.SMean;
    to.state.CMean = from.state.CMean;
}

bool HandOverMailbox::postLocked(const korvel::Model& m, const HandOverRecord& record) {
    CopyDisplayFields(m, m_latest);
    m_fresh = true;
    m_records.push_back(record);
    const bool tell = !m_pending;
    m_pending = true;
    return tell;
}

bool HandOverMailbox::Post(const korvel::Model& m, const HandOverRecord& record) {
    std::lock_guard lock(m_mutex);
    return postLocked(m, record);
}

bool HandOverMailbox::Post(const korvel::Model& m, const HandOverRecord& record,
                           const HandOverFigures& figures) {
    std::lock_guard lock(m_mutex);
    // Assigned element by element, so that the buffers swapped back by the window thread are reused.
    m_figures.profile.points.assign(figures.profile.points.begin(), figures.profile.points.end());
    m_figures.profile.zones = figures.profile.zones;
    m_figures.results = figures.results;
    m_figures.key = figures.key;
    m_figures.verdict.assign(figures.verdict.begin(), figures.verdict.end());
    m_freshFigures = true;
    return postLocked(m, record);
}

bool HandOverMailbox::takeLocked(std::vector<HandOverRecord>& records, korvel::Model& display) {
    records.clear();
    records.swap(m_records);
    m_pending = false;
    if (!m_fresh) return false;
    m_fresh = false;
    display.data = m_latest.data;
    display.params = m_latest.params;
    display.state.Tau = m_latest.state.Tau;
    std::swap(display.state.Tem, m_latest.state.Tem);
    std::swap(display.state.SMean, m_latest.state.SMean);
    std::swap(display.state.CMean, m_latest.state.CMean);
    return true;
}

bool HandOverMailbox::Take(std::vector<HandOverRecord>& records, korvel::Model& display) {
    std::lock_guard lock(m_mutex);
    return takeLocked(records, display);
}

bool HandOverMailbox::Take(std::vector<HandOverRecord>& records, korvel::Model& display,
                           HandOverFigures& figures, bool& freshFigures) {
    std::lock_guard lock(m_mutex);
    freshFigures = m_freshFigures;
    if (m_freshFigures) {
        std::swap(figures, m_figures);
        m_freshFigures = false;
    }
    return takeLocked(records, display);
}
