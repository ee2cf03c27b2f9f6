#include "tarifex/win32/event_source.h"

#include <olectl.h>

namespace korvex::com {

EventSource::~EventSource() { DisconnectAll(); }

STDMETHODIMP EventSource::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IConnectionPoint, static_cast<IConnectionPoint*>(this)}});
}

STDMETHODIMP EventSource::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = m_events;
  return S_OK;
}

STDMETHODIMP EventSource::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (out == nullptr) return E_POINTER;
  m_container.AddRef();
  *out = &m_container;
  return S_OK;
}

STDMETHODIMP EventSource::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  return Guard([&] {
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(m_events, events.put_void())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, events.put_void()))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    m_sinks.reserve(m_sinks.size() + 1);  // may throw before anything is held
    m_sinks.push_back({events.detach(), m_nextCookie});
    *cookie = m_nextCookie++;
    return S_OK;
  });
}

STDMETHODIMP EventSource::Unadvise(DWORD cookie) {
  for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
    if (it->dwCookie == cookie) {
      IUnknown* sink = it->pUnk;
      m_sinks.erase(it);
      sink->Release();  // may call back into us: the list is consistent
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventSource::EnumConnections(IEnumConnections** out) {
  return Guard([&] {
    return CreateObject<ConnectionEnumerator>(IID_IEnumConnections,
                                              reinterpret_cast<void**>(out), m_sinks);
  });
}

void EventSource::DisconnectAll() {
  std::vector<CONNECTDATA> sinks;
  sinks.swap(m_sinks);
  for (CONNECTDATA& sink : sinks) sink.pUnk->Release();
}

}  // namespace korvex::com
