# veltabgen's make rules. twiddle_<N>.c and twiddle_<N>.h, an N-point table
# named twiddle_<N> and aligned for gcc and clang, and its header, are made
# together, again whenever the tool, its version or the table's options change.
#   VELTABGEN                   the tool: a name on PATH, or a path without spaces
#   VELTABGEN_FLAGS             options for every table
#   VELTABGEN_FLAGS_twiddle_<N> options for one table, such as --section=.dtcm_data
#   make check-twiddle_<N> fails where committed files differ from the tool's.
VELTABGEN ?= veltabgen
$(if $(word 2,$(VELTABGEN)),$(error VELTABGEN "$(VELTABGEN)" holds a space, which make cannot depend on: link the tool from a path without one))
veltabgen_path := $(shell command -v $(VELTABGEN))
veltabgen_version := $(if $(veltabgen_path),$(shell $(veltabgen_path) --version))
# The options of table twiddle_$(1), each quoted for the shell as it stands.
twiddle_options = $(foreach option,$(VELTABGEN_FLAGS) $(VELTABGEN_FLAGS_twiddle_$(1)),'$(option)')
# What makes table twiddle_$(1), recorded in .twiddle_$(1).flags, which is
# written anew only when it changes.
twiddle_record = '$(veltabgen_path)' '$(veltabgen_version)' $(call twiddle_options,$(1))
twiddle_recorded = $(shell printf '%s\n' $(twiddle_record) | cmp -s - .twiddle_$(1).flags || \
	printf '%s\n' $(twiddle_record) > .twiddle_$(1).flags).twiddle_$(1).flags
.SECONDEXPANSION:
.PRECIOUS: twiddle_%.c twiddle_%.h .twiddle_%.flags
.twiddle_%.flags: ;
twiddle_%.c twiddle_%.h: $$(call twiddle_recorded,$$*) $(veltabgen_path)
	$(if $(veltabgen_path),,$(error $(VELTABGEN) is not on PATH: install veltabgen, or set VELTABGEN))
	$(VELTABGEN) $(call twiddle_options,$*) --name=twiddle_$* --align=gnu --header=twiddle_$*.h --output=twiddle_$*.c $*
check-twiddle_%: .twiddle_force
	$(VELTABGEN) $(call twiddle_options,$*) --check --name=twiddle_$* --align=gnu --header=twiddle_$*.h --output=twiddle_$*.c $*
.twiddle_force:
