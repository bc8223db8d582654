target_link_libraries(${name} PRIVATE tvl_interop)
