require 'minitest/autorun'
require 'plugin_host'

# Loading the plug-in: what the loader script must provide, what the library publishes, the
# single observer, the toolbar as the last session left it, and a library the installer has
# just replaced. Each case loads the plug-in in a host process of its own, as SketchUp does
# once per session.
class TestPluginLoading < Minitest::Test
  def setup
    @base = PluginHost.isolate
  end

  def teardown
    FileUtils.rm_rf(@base)
  end

  def test_the_library_does_not_load_without_the_loaders_korvan_module
    result = PluginHost.run_host(<<~RUBY)
      begin
        require File.join(#{PluginHost::PLUGIN_DIR.dump}, 'korvan', 'KorvanPlugin')
        report(loaded: true)
      rescue NameError => e
        report(error: e.class.name, message: e.message, toolbars: HostSim.toolbars.keys)
      end
    RUBY
    assert_equal 'NameError', result['error']
    assert_match(/uninitialized constant Korvan\b/, result['message'])
    assert_empty result['toolbars'], 'nothing of the plug-in was built'
  end

  def test_the_loader_gives_the_library_what_it_publishes
    result = PluginHost.run_host(<<~RUBY)
      load #{PluginHost::LOADER.dump}
      error = begin
        Korvan::KorvanObserver.new
        nil
      rescue RuntimeError => e
        e.message
      end
      report(version: Korvan::CEXT_VERSION, encoding: Korvan::CEXT_VERSION.encoding.name,
             initialized: Korvan.Initialized, superclass: Korvan::KorvanObserver.superclass.name,
             error: error,
             startup_notifications: Korvan::KorvanObserver.allocate.expectsStartupModelNotifications,
             plugin_folder: Korvan.class_variable_get(:@@PluginFolder),
             library_updated: Korvan.class_variable_get(:@@LibraryUpdated))
    RUBY
    assert_equal({ 'version' => '3.52.774', 'encoding' => 'UTF-8', 'initialized' => true,
                   'superclass' => 'Sketchup::AppObserver',
                   'error' => 'KorvanObserver instances can not be created from ruby code.',
                   'startup_notifications' => true,
                   'plugin_folder' => File.expand_path(PluginHost::PLUGIN_DIR), 'library_updated' => false },
                 result)
    # An ordinary load creates the settings key without writing a value.
    assert_empty Dir.children(PluginHost.settings_folder)
  end

  def test_the_toolbar_shows_unless_the_user_closed_it_in_the_last_session
    script = lambda do |last_state|
      <<~RUBY
        #{last_state && "HostSim.toolbar_last_state['Korvan TwinLink'] = #{last_state}"}
        load #{PluginHost::LOADER.dump}
        show = HostSim.menu_item('Extensions', 'Korvan TwinLink', 'Show TwinLink Toolbar').command
        before = [HostSim.toolbar('Korvan TwinLink').visible?, show.enabled?]
        show.invoke
        report(before + [HostSim.toolbar('Korvan TwinLink').visible?, show.enabled?])
      RUBY
    end
    # [visible after loading, "Show TwinLink Toolbar" enabled, visible after it, enabled after it]
    assert_equal [true, false, true, false], PluginHost.run_host(script.call(nil)), 'a fresh installation'
    assert_equal [true, false, true, false], PluginHost.run_host(script.call('TB_VISIBLE')), 'left open'
    assert_equal [false, true, true, false], PluginHost.run_host(script.call('TB_HIDDEN')), 'closed by the user'
  end

  # A copy of the plug-in folder, so that the installer's mark does not reach other tests.
  def installed_copy
    folder = File.join(@base, 'Plugins')
    FileUtils.cp_r(PluginHost::PLUGIN_DIR, folder)
    folder
  end

  def load_from(folder)
    PluginHost.run_host(<<~RUBY)
      load File.join(#{folder.dump}, 'korvan_twinlink.rb')
      report(updated: Korvan.class_variable_get(:@@LibraryUpdated), initialized: Korvan.Initialized)
    RUBY
  end

  def test_a_replaced_library_turns_memory_textures_on_and_saves_all_four_settings
    folder = installed_copy
    marker = File.join(folder, 'korvan', 'library_updated')
    File.write(marker, '')
    PluginHost.write_dword('MemoryTextures', 0)
    PluginHost.write_dword('CameraAutoSync', 0)
    PluginHost.write_dword('SkipKorvanCheck', 7)

    assert_equal({ 'updated' => true, 'initialized' => true }, load_from(folder))
    refute File.exist?(marker), 'the mark is taken away by the first load'
    assert_equal [PluginHost::REG_DWORD, [1].pack('V')], PluginHost.setting('MemoryTextures')
    assert_equal [PluginHost::REG_DWORD, [0].pack('V')], PluginHost.setting('CameraAutoSync')
    assert_equal [PluginHost::REG_DWORD, [0].pack('V')], PluginHost.setting('SingleSided'), 'written from its default'
    assert_equal [PluginHost::REG_DWORD, [7].pack('V')], PluginHost.setting('SkipKorvanCheck')

    # The next session loads without the mark and leaves the user's choice alone.
    PluginHost.write_dword('MemoryTextures', 0)
    assert_equal({ 'updated' => false, 'initialized' => true }, load_from(folder))
    assert_equal [PluginHost::REG_DWORD, [0].pack('V')], PluginHost.setting('MemoryTextures')
  end
end
