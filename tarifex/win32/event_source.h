// The control's connection points: one event source for its (empty) event
// interface, with the enumerators that IConnectionPointContainer and
// IConnectionPoint hand out.  The control defines no events yet, but hosts
// advise to the default source interface when they place a control on a
// form, so the source accepts and keeps their sinks.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <vector>

#include "tarifex/win32/com_support.h"

namespace korvex::com {

// An enumerator over a copy of a list of items.  Traits::Copy takes a
// reference of an item handed out, Traits::Release drops one held.
template <class IEnum, class Item, class Traits>
class Enumerator final : public IEnum, private ObjectBase<Enumerator<IEnum, Item, Traits>> {
  friend ObjectBase<Enumerator>;

 public:
  explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
      : m_items(std::move(items)), m_position(position) {
    for (Item& item : m_items) Traits::Copy(item);
  }
  ~Enumerator() {
    for (Item& item : m_items) Traits::Release(item);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return QueryTable(iid, out, {{__uuidof(IEnum), static_cast<IEnum*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return this->AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return this->ReleaseReference(); }

  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
    ULONG given = 0;
    while (given < count && m_position < m_items.size()) {
      out[given] = m_items[m_position++];
      Traits::Copy(out[given++]);
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const std::size_t left = m_items.size() - m_position;
    m_position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_position = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnum** out) override {
    return Guard([&] {
      return CreateObject<Enumerator>(__uuidof(IEnum), reinterpret_cast<void**>(out), m_items,
                                      m_position);
    });
  }

 private:
  std::vector<Item> m_items;
  std::size_t m_position = 0;
};

struct InterfaceTraits {
  template <class I>
  static void Copy(I*& item) {
    if (item) item->AddRef();
  }
  template <class I>
  static void Release(I*& item) {
    if (item) item->Release();
  }
};

struct ConnectionTraits {
  static void Copy(CONNECTDATA& item) {
    if (item.pUnk) item.pUnk->AddRef();
  }
  static void Release(CONNECTDATA& item) {
    if (item.pUnk) item.pUnk->Release();
  }
};

using ConnectionPointEnumerator =
    Enumerator<IEnumConnectionPoints, IConnectionPoint*, InterfaceTraits>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, ConnectionTraits>;

// The connection point of one outgoing interface, part of its container:
// it lives as long as the container and counts its references there.
class EventSource final : public IConnectionPoint {
 public:
  EventSource(IConnectionPointContainer& container, REFIID events)
      : m_container(container), m_events(events) {}
  ~EventSource();
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return m_container.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_container.Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  // The sink must offer the event interface or IDispatch.
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

  // Drops every sink (the container is closing).
  void DisconnectAll();

 private:
  IConnectionPointContainer& m_container;
  const IID m_events;
  std::vector<CONNECTDATA> m_sinks;
  DWORD m_nextCookie = 1;
};

}  // namespace korvex::com
