// Owner of one COM interface pointer: releases it when it leaves scope.
#pragma once

#include <oleauto.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class CComPtr
{
public:
    CComPtr() noexcept = default;
    ~CComPtr() { Reset(); }

    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    void Reset() noexcept
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    // For APIs that hand out a new reference through an out parameter.
    T** Put() noexcept
    {
        Reset();
        return &m_p;
    }

    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

private:
    T* m_p = nullptr;
};

// Owner of a BSTR that COM calls hand back.
class CBstr
{
public:
    CBstr() noexcept = default;
    ~CBstr() { ::SysFreeString(m_str); }

    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    const wchar_t* Get() const noexcept { return m_str ? m_str : L""; }
    BSTR* Put() noexcept
    {
        ::SysFreeString(m_str);
        m_str = nullptr;
        return &m_str;
    }

private:
    BSTR m_str = nullptr;
};
