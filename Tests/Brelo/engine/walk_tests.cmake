# Patterns and checks, the current settings, the directory scan and the batch run.
list(APPEND brelo_engine_test_sources current_settings_test.cpp pattern_set_test.cpp scan_test.cpp
     batch_run_test.cpp)
