#pragma once

// Clang's thread-safety analysis attributes. Under other compilers they expand
// to nothing; the clang build (the fuzz preset) checks them as errors.
#if defined(__clang__)
#define MAPLINK_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define MAPLINK_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) MAPLINK_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY MAPLINK_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) MAPLINK_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) MAPLINK_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRE(...) MAPLINK_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) MAPLINK_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) MAPLINK_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) MAPLINK_THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) MAPLINK_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define REQUIRES(...) MAPLINK_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) MAPLINK_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS MAPLINK_THREAD_ANNOTATION(no_thread_safety_analysis)
