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

bool HandOverMailbox::Post(const korvel::Model& m, const HandOverRecord& record) {
    std::lock_guard lock(m_mutex);
    CopyDisplayFields(m, m_latest);
    m_fresh = true;
    m_records.push_back(record);
    const bool tell = !m_pending;
    m_pending = true;
    return tell;
}

bool HandOverMailbox::Take(std::vector<HandOverRecord>& records, korvel::Model& display) {
    std::lock_guard lock(m_mutex);
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
