// Exceptions the framework raises. They are thrown by value and caught by reference.
#pragma once

#include <exception>

#include "Object.h"

class CException : public CObject, public std::exception {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
};

// A caller passed an argument the callee cannot work with, such as an index outside an array.
class CInvalidArgException : public CException {
public:
    static const CRuntimeClass runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
    const char* what() const noexcept override { return "invalid argument"; }
};

inline const CRuntimeClass CException::runtimeClass{"CException", &CObject::runtimeClass};
inline const CRuntimeClass CInvalidArgException::runtimeClass{"CInvalidArgException", &CException::runtimeClass};

[[noreturn]] inline void AfxThrowInvalidArgException() { throw CInvalidArgException(); }
