require 'minitest/autorun'

# SketchUp's UI as the plug-in uses it: commands and their states, the toolbar and its state
# from the last session, menus and the context menu, timers on the virtual clock, message
# boxes answered by the script, and the status bar.
class TestUI < Minitest::Test
  def setup
    HostSim::Desktop.clear
    HostSim.clear_status_history
    HostSim.context_menu_handlers.clear
    HostSim.toolbar_last_state.clear
  end

  def teardown
    HostSim.timer_ids.each { |id| UI.stop_timer(id) }
  end

  # --- commands ---------------------------------------------------------------------------

  def test_command_state_comes_from_its_validation_proc_each_time_it_is_asked
    link_open = false
    clicks = 0
    command = UI::Command.new('Stop TwinLink') { clicks += 1 }
    assert_equal MF_ENABLED, command.state, 'no validation proc: enabled'

    command.set_validation_proc { link_open ? MF_ENABLED : MF_GRAYED }
    assert_equal [MF_GRAYED, false], [command.state, command.enabled?]
    link_open = true
    assert_equal [MF_ENABLED, true], [command.state, command.enabled?]

    command.invoke
    command.invoke
    assert_equal 2, clicks
    assert_equal 'Stop TwinLink', command.menu_text, 'the menu text defaults to the command text'
  end

  # --- toolbar ----------------------------------------------------------------------------

  def test_toolbar_last_state_comes_from_the_previous_session
    never = UI::Toolbar.new('Fresh install')
    assert_equal TB_NEVER_SHOWN, never.get_last_state

    HostSim.toolbar_last_state['Closed by user'] = TB_HIDDEN
    HostSim.toolbar_last_state['Left open'] = TB_VISIBLE
    closed = UI::Toolbar.new('Closed by user')
    open = UI::Toolbar.new('Left open')
    assert_equal [TB_HIDDEN, TB_VISIBLE], [closed.get_last_state, open.get_last_state]

    [never, closed, open].each(&:restore)
    assert_equal [true, false, true], [never.visible?, closed.visible?, open.visible?]
    closed.show
    assert closed.visible?
    closed.hide
    refute closed.visible?
  end

  def test_toolbar_keeps_commands_and_separators_in_order
    about = UI::Command.new('About') {}
    start = UI::Command.new('Start TwinLink') {}
    stop = UI::Command.new('Stop TwinLink') {}
    toolbar = UI::Toolbar.new('Korvan TwinLink')
    assert_same toolbar, toolbar.add_item(about).add_separator.add_item(start)
    toolbar.add_item(stop)

    assert_equal [about, '|', start, stop], HostSim.toolbar('Korvan TwinLink').to_a
    assert_equal 4, toolbar.count
    assert_same toolbar, UI.toolbar('Korvan TwinLink')
    assert_raises(TypeError) { toolbar.add_item('About') }
  end

  # --- menus ------------------------------------------------------------------------------

  def test_submenu_items_are_found_and_invoked_by_path
    assert_same UI.menu, UI.menu('Extensions')
    assert_same UI.menu('Extensions'), UI.menu('Plugins')
    assert_instance_of Sketchup::Menu, UI.menu

    started = 0
    start = UI::Command.new('Start TwinLink') { started += 1 }
    submenu = UI.menu.add_submenu('Menu test')
    assert_instance_of Sketchup::Menu, submenu
    start_id = submenu.add_item(start)
    assert_nil submenu.add_separator
    about_id = submenu.add_item('About…') { :about_shown }

    assert_kind_of Integer, start_id
    refute_equal start_id, about_id
    assert_equal [[:command, 'Start TwinLink'], [:separator, nil], [:item, 'About…']],
                 submenu.items.map { |item| [item.kind, item.text] }

    HostSim.menu_item('Extensions', 'Menu test', 'Start TwinLink').invoke
    assert_equal 1, started
    assert_equal :about_shown, HostSim.menu_item('Extensions', 'Menu test', 'About…').invoke
    assert_nil HostSim.menu_item('Extensions', 'Menu test', 'Missing')
    assert_nil HostSim.menu_item('Extensions', 'No such submenu', 'Start TwinLink')
  end

  def test_menu_validation_proc_is_set_by_item_id
    menu = UI.menu('Tools').add_submenu('Validation test')
    command = UI::Command.new('Show toolbar') {}
    command.set_validation_proc { MF_GRAYED }
    command_item = menu.add_item(command)
    checked = true
    plain_item = menu.add_item('Follow camera') {}
    assert_equal plain_item, menu.set_validation_proc(plain_item) { checked ? MF_CHECKED : MF_UNCHECKED }

    items = menu.items.to_h { |item| [item.id, item] }
    assert_equal MF_GRAYED, items[command_item].state, "a command item follows its command's proc"
    assert items[plain_item].checked?
    checked = false
    refute items[plain_item].checked?
    assert_raises(ArgumentError) { menu.set_validation_proc(-1) { MF_ENABLED } }
  end

  def test_context_menu_handlers_add_to_a_fresh_menu_in_registration_order
    link_open = false
    updated = 0
    UI.add_context_menu_handler do |menu|
      next unless link_open

      menu.add_separator
      menu.add_item(UI::Command.new('TwinLink: Update Face') { updated += 1 })
    end
    UI.add_context_menu_handler { |menu| menu.add_item('Entity Info') {} }

    assert_equal ['Entity Info'], HostSim.open_context_menu.items.map(&:text)

    link_open = true
    menu = HostSim.open_context_menu
    assert_equal [nil, 'TwinLink: Update Face', 'Entity Info'], menu.items.map(&:text)
    menu.find('TwinLink: Update Face').invoke
    assert_equal 1, updated
    assert_equal 3, HostSim.open_context_menu.items.length, 'each right click starts empty'
  end

  # --- timers -----------------------------------------------------------------------------

  def test_timers_fire_in_due_order_only_when_time_passes
    fired = []
    late = UI.start_timer(2.0) { fired << [:late, HostSim.now] }
    early = UI.start_timer(0.5) { fired << [:early, HostSim.now] }
    same_as_late = UI.start_timer(2.0) { fired << [:same_as_late, HostSim.now] }
    assert_operator late, :>, 0
    assert_operator early, :>, late
    assert_operator same_as_late, :>, early

    assert_empty fired, 'nothing fires before the script lets time pass'
    start = HostSim.now
    HostSim.pump(1.0)
    assert_equal [[:early, start + 0.5]], fired
    HostSim.pump(5.0)
    assert_equal [[:early, start + 0.5], [:late, start + 2.0], [:same_as_late, start + 2.0]], fired
    assert_equal start + 6.0, HostSim.now
    HostSim.pump(10.0)
    assert_equal 3, fired.length, 'one-shot timers fire once'
  end

  def test_repeating_timer_fires_as_often_as_its_period_fits
    ticks = []
    id = UI.start_timer(0.1, true) { ticks << HostSim.now }
    start = HostSim.now
    HostSim.pump(0.3)
    assert_equal 3, ticks.length, '3 × 0.1 s fit exactly into 0.3 s'
    HostSim.pump(0.25)
    assert_equal 5, ticks.length
    UI.stop_timer(id)
    HostSim.pump(1.0)
    assert_equal 5, ticks.length
    assert_in_delta start + 0.5, ticks.last, 1e-9
  end

  def test_timer_stopped_inside_another_timers_block_does_not_fire
    fired = []
    victim = nil
    UI.start_timer(1.0) do
      fired << :stopper
      UI.stop_timer(victim)
    end
    victim = UI.start_timer(1.0) { fired << :victim }
    repeating = UI.start_timer(0.5, true) do
      fired << :repeating
      UI.stop_timer(repeating)
    end
    assert_nil UI.stop_timer(987_654), 'stopping an unknown id is harmless'

    HostSim.pump(3.0)
    assert_equal %i[repeating stopper], fired
    assert_empty HostSim.timer_ids
  end

  def test_zero_second_timer_fires_on_the_next_pump
    fired = []
    UI.start_timer(0) do
      fired << :first
      UI.start_timer(0) { fired << :started_inside }
    end
    HostSim.pump
    assert_equal [:first], fired, 'a zero-second timer started during a pump waits for the next'
    HostSim.pump
    assert_equal %i[first started_inside], fired

    idle = 0
    UI.start_timer(0, true) { idle += 1 }
    3.times { HostSim.pump }
    assert_equal 3, idle, 'a repeating zero-second timer fires once per pump'
  end

  # --- message boxes ----------------------------------------------------------------------

  def test_messagebox_takes_queued_answers_in_order
    HostSim::Desktop.answer(IDNO, IDCANCEL)
    assert_equal IDNO, UI.messagebox('Replace the file?', MB_YESNO)
    assert_equal IDCANCEL, UI.messagebox('Save changes?', MB_YESNOCANCEL)
    assert_equal 0, HostSim::Desktop.pending_answers

    recorded = HostSim::Desktop.messages
    assert_equal 2, recorded.length
    assert_equal({ kind: 'messagebox', caption: 'SketchUp', text: 'Replace the file?', flags: MB_YESNO,
                   resource_id: 0, controls: {} }, recorded.first)
  end

  def test_unanswered_messagebox_gets_its_first_button_and_is_printed
    defaults = nil
    out, = capture_subprocess_io do
      defaults = [MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL]
                 .map { |type| UI.messagebox('Continue?', type) }
    end
    assert_equal [IDOK, IDOK, IDABORT, IDYES, IDYES, IDRETRY], defaults
    assert_includes out, %([hostsim desktop] message box "SketchUp": Continue? -> 6 (Yes, default)\n)
    assert_equal 6, out.lines.count { |line| line.start_with?('[hostsim desktop]') }
  end

  def test_messagebox_texts_cross_utf16_unchanged_and_multiline_uses_the_title
    text = "Größe: 5 m²\nNote 𝄞 ✓"
    HostSim::Desktop.answer(IDOK)
    UI.messagebox(text, MB_MULTILINE, 'Korvan TwinLink - Détails')
    shown = HostSim::Desktop.messages.last
    assert_equal text, shown[:text]
    assert_equal Encoding::UTF_8, shown[:text].encoding
    assert_equal ['Korvan TwinLink - Détails', MB_OK], [shown[:caption], shown[:flags]]
  end

  def test_dialog_answer_sets_control_texts
    HostSim::Desktop.answer(result: IDOK, controls: { 1001 => 'Ünïcode' })
    answer = HostSim::Desktop.dialog(101, 'TwinLink settings', { 1001 => 'old' })
    assert_equal({ result: IDOK, controls: { 1001 => 'Ünïcode' } }, answer)
    shown = HostSim::Desktop.messages.last
    assert_equal ['dialog', 101, 'TwinLink settings', { 1001 => 'old' }],
                 shown.values_at(:kind, :resource_id, :caption, :controls)

    capture_subprocess_io do
      assert_equal({ result: IDCANCEL, controls: {} }, HostSim::Desktop.dialog(102, 'About', {}, IDCANCEL))
    end
  end

  # --- status bar and console -------------------------------------------------------------

  def test_status_bar_records_every_call_including_the_clearing_ones
    Sketchup.set_status_text('Loading scene')
    Sketchup.set_status_text('Progress', SB_VCB_LABEL)
    Sketchup.set_status_text('40%', SB_VCB_VALUE)
    assert_equal ['Loading scene', 'Progress', '40%'], [SB_PROMPT, SB_VCB_LABEL, SB_VCB_VALUE].map { HostSim.status_text(_1) }

    Sketchup.set_status_text
    Sketchup.set_status_text(nil, SB_VCB_LABEL)
    Sketchup.set_status_text(nil, SB_VCB_VALUE)
    Sketchup.status_text = 'Ready'
    assert_equal [[SB_PROMPT, 'Loading scene'], [SB_VCB_LABEL, 'Progress'], [SB_VCB_VALUE, '40%'],
                  [SB_PROMPT, nil], [SB_VCB_LABEL, nil], [SB_VCB_VALUE, nil], [SB_PROMPT, 'Ready']],
                 HostSim.status_history
    assert_equal ['Ready', nil, nil], [SB_PROMPT, SB_VCB_LABEL, SB_VCB_VALUE].map { HostSim.status_text(_1) }
    assert_raises(ArgumentError) { Sketchup.set_status_text('x', 7) }

    HostSim.clear_status_history
    assert_empty HostSim.status_history
  end

  def test_console_writes_to_standard_output
    out, = capture_io do
      SKETCHUP_CONSOLE.puts('line')
      SKETCHUP_CONSOLE.print('a', 'b')
      assert_equal 2, SKETCHUP_CONSOLE.write("c\n"), "bytes written"
    end
    assert_equal "line\nabc\n", out
  end

  # --- HTML dialogs -----------------------------------------------------------------------

  def test_html_dialog_is_recorded_and_its_callbacks_can_be_called
    dialog = UI::HtmlDialog.new(dialog_title: 'TwinLink', style: UI::HtmlDialog::STYLE_DIALOG)
    dialog.set_html('<p>hi</p>')
    received = nil
    dialog.add_action_callback('save') { |_context, value| received = value }
    dialog.show_modal
    assert_same dialog, HostSim.html_dialogs.last
    assert_equal ['TwinLink', '<p>hi</p>', true, true], [dialog.title, dialog.html, dialog.visible?, dialog.modal?]

    dialog.call_action('save', 42)
    assert_equal 42, received

    allow_close = false
    dialog.set_can_close { allow_close }
    dialog.close
    assert dialog.visible?, 'set_can_close returning false keeps it open'
    allow_close = true
    dialog.close
    refute dialog.visible?
  end
end
