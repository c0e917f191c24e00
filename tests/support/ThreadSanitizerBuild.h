#pragma once

// Whether this translation unit is built with ThreadSanitizer, for GCC and clang alike.
#if defined(__SANITIZE_THREAD__)
#define SORVANDEL_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SORVANDEL_THREAD_SANITIZER 1
#endif
#endif
