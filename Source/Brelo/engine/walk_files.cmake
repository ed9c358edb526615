# Patterns and checks, the current settings, the directory scan and the batch run.
list(APPEND brelo_engine_sources current_settings.cpp pattern_set.cpp scan.cpp batch_run.cpp)
