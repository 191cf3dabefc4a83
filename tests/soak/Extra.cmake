# 100,000 scene ticks take longer under Wine than the suite's usual limit.
set_tests_properties(soak_test_soak PROPERTIES TIMEOUT 3600)
