/*
 * Basic types shared by the platform libraries and the service.
 * Compiles as C and as C++.
 */
#ifndef KIV_TYPES_H
#define KIV_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifndef KIV_BOOL_DEFINED
#define KIV_BOOL_DEFINED
typedef int BOOL;
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* 16-bit text unit (UTF-16 code unit). */
#ifndef KIV_WCHAR_DEFINED
#define KIV_WCHAR_DEFINED
typedef unsigned short WCHAR;
#endif

/* Platform object handle. Handles are ints; "none" has the bit pattern 0xFFFFFFFF (-1). */
#ifndef KIV_HOBJ_DEFINED
#define KIV_HOBJ_DEFINED
typedef int HOBJ;
#endif
#ifndef INVALID_HOBJ
#define INVALID_HOBJ ((HOBJ)-1)
#endif

/*
 * A typed formatting argument. The printf-style functions of the platform
 * (AcSprintfSEx, Db2QueryEx, Db2StmtCreate, SysDebugPrintf, WmSprintf, ...)
 * are C++ templates that pack their arguments into an array of these, so
 * the formatter knows how many arguments there are and what each one is.
 * A conversion without an argument left is copied to the output literally;
 * nothing is ever read that was not passed.
 */
typedef enum KivArgType
{
    KIV_ARG_INT = 0,  /* any signed integer */
    KIV_ARG_UINT = 1, /* any unsigned integer */
    KIV_ARG_DOUBLE = 2,
    KIV_ARG_STR = 3,  /* narrow NUL-terminated text (null prints "(null)") */
    KIV_ARG_WSTR = 4, /* 16-bit NUL-terminated text (null prints "(null)") */
    KIV_ARG_PTR = 5
} KivArgType;

typedef struct KivArg
{
    KivArgType type;
    union
    {
        long long i;
        unsigned long long u;
        double d;
        const char* s;
        const WCHAR* ws;
        const void* p;
    } v;
} KivArg;

#ifdef __cplusplus
#include <type_traits>

namespace kiv
{
inline KivArg MakeArg(const char* s)
{
    KivArg a{};
    a.type = KIV_ARG_STR;
    a.v.s = s;
    return a;
}
inline KivArg MakeArg(const WCHAR* s)
{
    KivArg a{};
    a.type = KIV_ARG_WSTR;
    a.v.ws = s;
    return a;
}
inline KivArg MakeArg(std::nullptr_t)
{
    KivArg a{};
    a.type = KIV_ARG_PTR;
    a.v.p = nullptr;
    return a;
}
template <class T> KivArg MakeArg(T value)
{
    KivArg a{};
    if constexpr (std::is_same_v<T, bool>)
    {
        a.type = KIV_ARG_INT;
        a.v.i = value ? 1 : 0;
    }
    else if constexpr (std::is_enum_v<T>)
    {
        a.type = KIV_ARG_INT;
        a.v.i = static_cast<long long>(value);
    }
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
    {
        a.type = KIV_ARG_INT;
        a.v.i = value;
    }
    else if constexpr (std::is_integral_v<T>)
    {
        a.type = KIV_ARG_UINT;
        a.v.u = value;
    }
    else if constexpr (std::is_floating_point_v<T>)
    {
        a.type = KIV_ARG_DOUBLE;
        a.v.d = value;
    }
    else if constexpr (std::is_pointer_v<T>)
    {
        using P = std::remove_cv_t<std::remove_pointer_t<T>>;
        if constexpr (std::is_same_v<P, char>)
        {
            a.type = KIV_ARG_STR;
            a.v.s = value;
        }
        else if constexpr (std::is_same_v<P, WCHAR>)
        {
            a.type = KIV_ARG_WSTR;
            a.v.ws = value;
        }
        else
        {
            a.type = KIV_ARG_PTR;
            a.v.p = value;
        }
    }
    else
    {
        static_assert(std::is_pointer_v<T>, "unsupported formatting argument type");
    }
    return a;
}
} // namespace kiv

/* Packs a parameter pack into a local KivArg array named `name` (always at least one element). */
#define KIV_PACK_ARGS(name, pack) const KivArg name[sizeof...(pack) + 1] = {kiv::MakeArg(pack)..., KivArg{}}
#endif

#endif /* KIV_TYPES_H */
