# veltabgen's make rules. twiddle_<N>.c and twiddle_<N>.h, an N-point table
# named twiddle_<N> and aligned for gcc and clang, and its header, are made
# together, again whenever the tool or the table's options change.
#   VELTABGEN        the tool: a name on PATH or a path (veltabgen)
#   VELTABGEN_FLAGS  options for every table; for one, set them for its files:
#                    twiddle_1024.c twiddle_1024.h check-twiddle_1024: VELTABGEN_FLAGS += --section=.dtcm_data
#   make check-twiddle_<N> fails where committed files differ from the tool's.
VELTABGEN ?= veltabgen
veltabgen_path := $(shell command -v $(VELTABGEN))
.PRECIOUS: twiddle_%.c twiddle_%.h .twiddle_%.flags
twiddle_%.c twiddle_%.h: .twiddle_%.flags $(veltabgen_path)
	$(if $(veltabgen_path),,$(error $(VELTABGEN) is not on PATH: install veltabgen, or set VELTABGEN))
	$(VELTABGEN) $(VELTABGEN_FLAGS) --name=twiddle_$* --align=gnu --header=twiddle_$*.h --output=twiddle_$*.c $*
.twiddle_%.flags: .twiddle_force
	@echo '$(VELTABGEN_FLAGS)' | cmp -s - $@ || echo '$(VELTABGEN_FLAGS)' > $@
check-twiddle_%: .twiddle_force
	$(VELTABGEN) $(VELTABGEN_FLAGS) --check --name=twiddle_$* --align=gnu --header=twiddle_$*.h --output=twiddle_$*.c $*
.twiddle_force:
