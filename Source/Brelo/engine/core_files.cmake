# Converters and command lines, the process runner and the conversion log.
list(APPEND brelo_engine_sources converter.cpp console_process.cpp conversion_log.cpp)
