// Every exported class carries OSTREL_API; everything else stays hidden.
#pragma once

#if defined(_WIN32)
#if defined(OSTREL_BUILD)
#define OSTREL_API __declspec(dllexport)
#else
#define OSTREL_API __declspec(dllimport)
#endif
#else
#define OSTREL_API __attribute__((visibility("default")))
#endif
